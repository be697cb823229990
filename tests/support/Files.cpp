#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

QByteArray PatternBytes(int64_t size, uint32_t seed) {
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    uint32_t x = seed * 2654435761u + 1;
    for (char& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<char>(x);
    }
    return bytes;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "cannot read " << path.toStdString();
    return f.readAll();
}

QByteArray Concatenate(const QString& folder, const QStringList& names) {
    QByteArray all;
    for (const QString& name : names)
        all += ReadFile(QDir(folder).filePath(name));
    return all;
}

QString Listing(const QString& folder) {
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    names.sort();
    return names.join(u' ');
}

ScopedEnv::ScopedEnv(const char* name, const QByteArray& value)
    : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    qputenv(name, value);
}

ScopedEnv::~ScopedEnv() {
    if (had_)
        qputenv(name_, old_);
    else
        qunsetenv(name_);
}

void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

bool Matches(const QString& text, const QString& pattern) {
    const QStringList parts = pattern.split(u'*');
    qsizetype at = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const qsizetype found = text.indexOf(parts[i], at);
        if (found < 0 || (i == 0 && found != 0))
            return false;
        at = found + parts[i].size();
    }
    return parts.size() > 1 ? text.endsWith(parts.last()) : at == text.size();
}
