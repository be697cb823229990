#include "mail/mRAS.h"

#include "mail/ComponentError.h"

#include <QFile>
#include <QProcess>

namespace {

struct NmcliResult {
    bool started = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

NmcliResult nmcli(const QStringList& arguments, int timeoutMs) {
    QProcess p;
    p.start(QStringLiteral("nmcli"), arguments);
    NmcliResult r;
    r.started = p.waitForStarted(10000);
    if (!r.started)
        return r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        r.err = "nmcli did not finish in time";
        return r;
    }
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return r;
}

// Terse output escapes ":" and "\" with a backslash.
QString unescapeTerse(const QByteArray& field) {
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 1 < field.size())
            ++i;
        out += field[i];
    }
    return QString::fromUtf8(out);
}

[[noreturn]] void failWith(int number, const QString& what, const NmcliResult& r) {
    if (!r.started)
        throw ComponentError(number, what + QStringLiteral(": nmcli (NetworkManager) could not be started"));
    const QString reason = QString::fromUtf8(r.err).trimmed();
    throw ComponentError(number, reason.isEmpty() ? what : what + QStringLiteral(": ") + reason);
}

} // namespace

QStringList PhoneBookEntries(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ComponentError(mRAS::EntryNotFound,
                             QStringLiteral("Cannot read the phonebook '%1': %2").arg(path, file.errorString()));
    QStringList names;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']') && line.size() > 2)
            names << line.mid(1, line.size() - 2);
    }
    return names;
}

bool mRAS::Available() const {
    const NmcliResult r = nmcli({QStringLiteral("-t"), QStringLiteral("general"), QStringLiteral("status")}, 10000);
    return r.started && r.exitCode == 0;
}

QStringList mRAS::entries() const {
    if (!phoneBook_.isEmpty())
        return PhoneBookEntries(phoneBook_);
    const NmcliResult r = nmcli({QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("NAME"),
                                 QStringLiteral("connection"), QStringLiteral("show")},
                                10000);
    if (!r.started || r.exitCode != 0)
        failWith(EntryNotFound, QStringLiteral("The connections of NetworkManager could not be listed"), r);
    QStringList names;
    for (const QByteArray& line : r.out.split('\n'))
        if (!line.isEmpty())
            names << unescapeTerse(line);
    return names;
}

void mRAS::GetEntry() {
    loaded_.clear();
    if (!entries().contains(EntryName))
        throw ComponentError(EntryNotFound,
                             phoneBook_.isEmpty()
                                 ? QStringLiteral("NetworkManager has no connection named '%1'").arg(EntryName)
                                 : QStringLiteral("The phonebook '%1' has no entry '%2'").arg(phoneBook_, EntryName));
    loaded_ = EntryName;
}

void mRAS::Connect() {
    if (loaded_.isEmpty())
        throw ComponentError(EntryNotFound, QStringLiteral("No phonebook entry is loaded"));
    const int wait = Blocking ? SecondsToWait : 0;
    const NmcliResult r = nmcli({QStringLiteral("--wait"), QString::number(wait), QStringLiteral("connection"),
                                 QStringLiteral("up"), QStringLiteral("id"), loaded_},
                                (wait + 30) * 1000);
    if (!r.started || r.exitCode != 0)
        failWith(ConnectFailed, QStringLiteral("The connection '%1' could not be made").arg(loaded_), r);
    connected_ = loaded_;
}

void mRAS::Disconnect() {
    // Only a line this component brought up is ended; one that was up before is not ours to end.
    if (connected_.isEmpty())
        return;
    const QString entry = connected_;
    const NmcliResult r = nmcli({QStringLiteral("connection"), QStringLiteral("down"), QStringLiteral("id"), entry},
                                (SecondsToWait + 30) * 1000);
    if (!r.started || r.exitCode != 0)
        failWith(ConnectFailed, QStringLiteral("The connection '%1' could not be ended").arg(entry), r);
    connected_.clear();
}

int16_t mRAS::EntryCount() const {
    return static_cast<int16_t>(entries().size());
}

QString mRAS::Entry(int index) const {
    const QStringList names = entries();
    if (index < 0 || index >= names.size())
        throw ComponentError(EntryNotFound, QStringLiteral("There is no phonebook entry %1").arg(index));
    return names[index];
}
