#include "mail/Netrc.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace {

// Whitespace-separated tokens; a macdef body runs to the next empty line and is dropped.
QStringList tokensOf(const QByteArray& text) {
    QStringList tokens;
    const QList<QByteArray> lines = text.split('\n');
    bool inMacro = false;
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        if (inMacro) {
            if (line.isEmpty())
                inMacro = false;
            continue;
        }
        if (line.startsWith('#'))
            continue;
        const QList<QByteArray> words = line.simplified().split(' ');
        for (qsizetype i = 0; i < words.size(); ++i) {
            if (words[i].isEmpty())
                continue;
            tokens << QString::fromUtf8(words[i]);
            if (words[i] == "macdef") {
                if (i + 1 < words.size())
                    tokens << QString::fromUtf8(words[i + 1]);
                inMacro = true;
                break;
            }
        }
    }
    return tokens;
}

} // namespace

std::optional<NetrcLogin> NetrcLoginFor(const QString& netrcPath, const QString& host) {
    QFile file(netrcPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QStringList tokens = tokensOf(file.readAll());

    std::optional<NetrcLogin> fallback;
    std::optional<NetrcLogin> entry;
    bool matching = false;
    bool isDefault = false;
    auto finish = [&] {
        if (entry && matching && !isDefault)
            return true;
        if (entry && isDefault && !fallback)
            fallback = entry;
        return false;
    };
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QString& t = tokens[i];
        const bool hasValue = i + 1 < tokens.size();
        if (t == u"machine" || t == u"default") {
            if (finish())
                return entry;
            entry = NetrcLogin{};
            isDefault = t == u"default";
            matching = !isDefault && hasValue && tokens[i + 1].compare(host, Qt::CaseInsensitive) == 0;
            if (!isDefault)
                ++i;
        } else if ((t == u"login" || t == u"password" || t == u"account" || t == u"macdef") && hasValue) {
            if (entry && t == u"login")
                entry->login = tokens[i + 1];
            else if (entry && t == u"password")
                entry->password = tokens[i + 1];
            ++i;
        }
    }
    if (finish())
        return entry;
    return fallback;
}

QString DefaultNetrcPath() {
    const QByteArray home = qgetenv("HOME");
    return (home.isEmpty() ? QDir::homePath() : QString::fromLocal8Bit(home)) + QStringLiteral("/.netrc");
}
