#include "dialup/NetworkManagerDialUp.h"

#include "core/ComponentError.h"

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

// The fields of a line of terse output: separated by ":", in which ":" and "\\" are escaped with a backslash.
QStringList terseFields(const QByteArray& line) {
    QStringList fields{QString()};
    QByteArray field;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            field += line[++i];
        } else if (line[i] == ':') {
            fields.back() = QString::fromUtf8(field);
            fields << QString();
            field.clear();
        } else {
            field += line[i];
        }
    }
    fields.back() = QString::fromUtf8(field);
    return fields;
}

// Connections that are made for a job and ended after it. A wired or wireless network is the machine's own
// line: taking it down would cut the user off.
bool madeOnDemand(const QString& type) {
    static const QStringList kinds{QStringLiteral("gsm"),       QStringLiteral("cdma"), QStringLiteral("pppoe"),
                                   QStringLiteral("bluetooth"), QStringLiteral("vpn"),  QStringLiteral("wireguard")};
    return kinds.contains(type);
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
        throw ComponentError(NetworkManagerDialUp::EntryNotFound,
                             QStringLiteral("Cannot read the phonebook '%1': %2").arg(path, file.errorString()));
    QStringList names;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']') && line.size() > 2)
            names << line.mid(1, line.size() - 2);
    }
    return names;
}

bool NetworkManagerDialUp::managerAnswers() const {
    const NmcliResult r = nmcli({QStringLiteral("-t"), QStringLiteral("general"), QStringLiteral("status")}, 10000);
    return r.started && r.exitCode == 0;
}

bool NetworkManagerDialUp::available() const {
    if (!managerAnswers())
        return false;
    try {
        return !entries().isEmpty();
    } catch (const ComponentError&) {
        return false; // nothing listed: nothing to dial
    }
}

QStringList NetworkManagerDialUp::entries() const {
    if (!phoneBook_.isEmpty())
        return PhoneBookEntries(phoneBook_);
    const NmcliResult r = nmcli({QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("NAME,TYPE"),
                                 QStringLiteral("connection"), QStringLiteral("show")},
                                10000);
    if (!r.started || r.exitCode != 0)
        failWith(EntryNotFound, QStringLiteral("The connections of NetworkManager could not be listed"), r);
    QStringList names;
    for (const QByteArray& line : r.out.split('\n')) {
        const QStringList fields = terseFields(line);
        if (fields.size() == 2 && madeOnDemand(fields[1]))
            names << fields[0];
    }
    return names;
}

bool NetworkManagerDialUp::isActive(const QString& name) const {
    const NmcliResult r = nmcli({QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("NAME"),
                                 QStringLiteral("connection"), QStringLiteral("show"), QStringLiteral("--active")},
                                10000);
    if (!r.started || r.exitCode != 0)
        return false; // then "up" says what is wrong
    for (const QByteArray& line : r.out.split('\n'))
        if (!line.isEmpty() && terseFields(line).constFirst() == name)
            return true;
    return false;
}

void NetworkManagerDialUp::findEntry() {
    loaded_.clear();
    if (!entries().contains(entryName))
        throw ComponentError(EntryNotFound,
                             phoneBook_.isEmpty()
                                 ? QStringLiteral("NetworkManager has no connection named '%1'").arg(entryName)
                                 : QStringLiteral("The phonebook '%1' has no entry '%2'").arg(phoneBook_, entryName));
    loaded_ = entryName;
}

void NetworkManagerDialUp::connect() {
    if (loaded_.isEmpty())
        throw ComponentError(EntryNotFound, QStringLiteral("No phonebook entry is loaded"));
    // A line that was up before the job is used as it is, and so never taken down by it.
    if (isActive(loaded_))
        return;
    const int wait = blocking ? SecondsToWait : 0;
    const NmcliResult r = nmcli({QStringLiteral("--wait"), QString::number(wait), QStringLiteral("connection"),
                                 QStringLiteral("up"), QStringLiteral("id"), loaded_},
                                (wait + 30) * 1000);
    if (!r.started || r.exitCode != 0)
        failWith(ConnectFailed, QStringLiteral("The connection '%1' could not be made").arg(loaded_), r);
    connected_ = loaded_;
}

void NetworkManagerDialUp::disconnect() {
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

int16_t NetworkManagerDialUp::entryCount() const {
    return static_cast<int16_t>(entries().size());
}

QString NetworkManagerDialUp::entry(int index) const {
    const QStringList names = entries();
    if (index < 0 || index >= names.size())
        throw ComponentError(EntryNotFound, QStringLiteral("There is no phonebook entry %1").arg(index));
    return names[index];
}
