#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <ostream>
#include <stdexcept>

// Bytes that do not repeat with any piece size, so a piece in the wrong place shows.
QByteArray PatternBytes(int64_t size, uint32_t seed = 1);

// Writes the file, making its folders.
void WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);
// Whether the text matches a pattern in which "*" stands for any text.
bool Matches(const QString& text, const QString& pattern);

// The files folder/name joined in the order given.
QByteArray Concatenate(const QString& folder, const QStringList& names);

// The names in a folder (no . and ..), sorted and joined by blanks.
QString Listing(const QString& folder);

// The message of the error that f throws, as the user reads it; empty when it throws none.
template <typename E = std::runtime_error, typename F> QString Thrown(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

// Readable QStrings in test failures.
void PrintTo(const QString& s, std::ostream* os);
