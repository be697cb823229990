#include "support/TmpfsMount.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

// Once per process: a mount namespace of our own, so that nothing mounted here is seen outside.
QString enterPrivateNamespace() {
    static const QString error = []() -> QString {
        if (geteuid() != 0)
            return QStringLiteral("mounting a tmpfs needs root");
        if (unshare(CLONE_NEWNS) != 0)
            return QStringLiteral("unshare(CLONE_NEWNS): ") + QString::fromLocal8Bit(std::strerror(errno));
        if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return QStringLiteral("making / private: ") + QString::fromLocal8Bit(std::strerror(errno));
        return {};
    }();
    return error;
}

} // namespace

TmpfsMount::TmpfsMount(const QString& mountPoint, int64_t bytes, bool readOnly) : mountPoint_(mountPoint) {
    whyNot_ = enterPrivateNamespace();
    if (!whyNot_.isEmpty())
        return;
    const QByteArray options = "size=" + QByteArray::number(static_cast<qlonglong>(bytes)) + ",mode=0755";
    const unsigned long flags = readOnly ? MS_RDONLY : 0;
    if (mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", flags, options.constData()) != 0) {
        whyNot_ = QStringLiteral("mount tmpfs: ") + QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    mounted_ = true;
}

TmpfsMount::~TmpfsMount() {
    unmount();
}

void TmpfsMount::unmount() {
    if (mounted_ && umount2(QFile::encodeName(mountPoint_).constData(), MNT_DETACH) == 0)
        mounted_ = false;
}
