#include "support/Files.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

QByteArray PatternBytes(int64_t size, uint32_t seed) {
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    uint32_t x = seed * 2654435761u + 1;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = static_cast<char>(x);
    }
    return bytes;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return f.readAll();
}

QByteArray Concatenate(const QStringList& paths) {
    QByteArray all;
    for (const QString& p : paths)
        all += ReadFile(p);
    return all;
}

QStringList FolderEntries(const QString& folder) {
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    names.sort();
    return names;
}

void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
