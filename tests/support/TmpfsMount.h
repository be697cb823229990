#pragma once

#include <QString>

#include <cstdint>

// A small tmpfs mounted on a folder inside a private mount namespace of the test process, to stand for a
// full disk, a read-only disk or a removable disk. Needs root; available() says why not when it cannot be
// had, for a GTEST_SKIP.
class TmpfsMount {
public:
    TmpfsMount(const QString& mountPoint, int64_t bytes, bool readOnly = false);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool available() const { return mounted_; }
    const QString& whyNot() const { return whyNot_; }
    const QString& path() const { return mountPoint_; }

    void unmount();

private:
    QString mountPoint_;
    bool mounted_ = false;
    QString whyNot_;
};
