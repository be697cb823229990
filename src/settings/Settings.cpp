#include "settings/Settings.h"

#include "core/NumberText.h"
#include "core/StringTable.h"

#include <stdexcept>

namespace {

const QString kApp = QStringLiteral("Brevimo");
const QString kSection = QStringLiteral("General");

// Passed as the default where the real default is costly to work out; no stored text looks like it.
const QString kAbsent = QStringLiteral("\x01<absent>");

QString boolText(bool v) {
    return v ? QStringLiteral("-1") : QStringLiteral("0");
}

} // namespace

Settings::Settings(SettingsStore& store, QString programFolder, std::function<bool()> dialUpAvailable)
    : store_(store), programFolder_(std::move(programFolder)), dialUpAvailable_(std::move(dialUpAvailable)) {}

QString Settings::text(const QString& key, const QString& defaultValue) {
    auto it = cache_.find(key);
    if (it == cache_.end()) {
        const QString stored = store_.read(kApp, kSection, key, kAbsent);
        it = cache_.emplace(key, Cached{stored == kAbsent ? defaultValue : stored, stored != kAbsent}).first;
    }
    return it->second.value;
}

void Settings::setText(const QString& key, const QString& value) {
    Cached& cached = cache_[key];
    if (cached.stored && cached.value == value)
        return; // only a change is written
    cached = {value, false};
    try {
        store_.write(kApp, kSection, key, value);
        cached.stored = true;
        unstored_.removeAll(key);
    } catch (const SettingsError& e) {
        if (!unstored_.contains(key))
            unstored_ << key;
        failure_ = QString::fromStdString(e.what());
    }
}

QString Settings::takeStoreProblem() {
    QStringList told;
    if (const QString notice = store_.takeNotice(); !notice.isEmpty())
        told << notice;
    if (!unstored_.isEmpty() && !failureTold_) {
        failureTold_ = true;
        told << Text(Res::SettingsNotKept).arg(failure_, unstored_.join(QStringLiteral(", ")));
    }
    return told.join(QStringLiteral("\n\n"));
}

void TellStoreProblem(Settings& settings, Shell& shell) {
    const QString problem = settings.takeStoreProblem();
    if (!problem.isEmpty())
        shell.MsgBox({problem, MsgButtons::Ok, MsgIcon::Exclamation, 0, {}});
}

QString Settings::SplitDir() {
    return text(QStringLiteral("SplitDir"), programFolder_);
}
void Settings::setSplitDir(const QString& v) {
    setText(QStringLiteral("SplitDir"), v);
}

void Settings::setEMailAddressIndex(int slot) {
    if (slot < 1 || slot > kRecipientSlots)
        throw std::out_of_range("recipient slot " + std::to_string(slot) + " is outside 1..10");
    emailIndex_ = slot;
}

QString Settings::slotKey() const {
    return QStringLiteral("ToEMailAddress%1").arg(emailIndex_, 2, 10, QLatin1Char('0'));
}

QString Settings::ToEMailAddress() {
    return text(slotKey(), QString());
}
void Settings::setToEMailAddress(const QString& v) {
    setText(slotKey(), v);
}

QString Settings::FloppyDrive() {
#ifdef Q_OS_WIN
    return text(QStringLiteral("FloppyDrive"), QStringLiteral("A:\\"));
#else
    return text(QStringLiteral("FloppyDrive"), QStringLiteral("/media/floppy"));
#endif
}
void Settings::setFloppyDrive(const QString& v) {
    setText(QStringLiteral("FloppyDrive"), v);
}

QString Settings::DefaultBody() {
    return text(QStringLiteral("DefaultBody"), Text(Res::DefaultBody));
}
void Settings::setDefaultBody(const QString& v) {
    setText(QStringLiteral("DefaultBody"), v);
}

bool Settings::UseRAS() {
    const QString key = QStringLiteral("UseRAS");
    QString stored = text(key, kAbsent);
    if (stored == kAbsent) {
        stored = boolText(dialUpAvailable_ && dialUpAvailable_());
        cache_[key] = {stored, false};
    }
    bool ok = false;
    const double number = stored.trimmed().toDouble(&ok);
    if (!ok) {
        // Not a text this program writes: fall back to the default rather than guess.
        return dialUpAvailable_ && dialUpAvailable_();
    }
    return RoundHalfEven(number) != 0;
}
void Settings::setUseRAS(bool v) {
    setText(QStringLiteral("UseRAS"), boolText(v));
}

QString Settings::RASPhoneBook() {
    return text(QStringLiteral("RASPhoneBook"), QString());
}
void Settings::setRASPhoneBook(const QString& v) {
    setText(QStringLiteral("RASPhoneBook"), v);
}

QString Settings::RASConnection() {
    return text(QStringLiteral("RASConnection"), QString());
}
void Settings::setRASConnection(const QString& v) {
    setText(QStringLiteral("RASConnection"), v);
}

QString Settings::Host() {
    return text(QStringLiteral("Host"), QString());
}
void Settings::setHost(const QString& v) {
    setText(QStringLiteral("Host"), v);
}

QString Settings::MailPort() {
    return text(QStringLiteral("Port"), QString());
}
void Settings::setMailPort(const QString& v) {
    setText(QStringLiteral("Port"), v);
}

QString Settings::MailSecurity() {
    return text(QStringLiteral("Security"), QString());
}
void Settings::setMailSecurity(const QString& v) {
    setText(QStringLiteral("Security"), v);
}

QString Settings::MailLogin() {
    return text(QStringLiteral("Login"), QString());
}
void Settings::setMailLogin(const QString& v) {
    setText(QStringLiteral("Login"), v);
}

QString Settings::MailUser() {
    return text(QStringLiteral("User"), QString());
}
void Settings::setMailUser(const QString& v) {
    setText(QStringLiteral("User"), v);
}

QString Settings::PasswordCommand() {
    return text(QStringLiteral("PasswordCommand"), QString());
}

QString Settings::TokenCommand() {
    return text(QStringLiteral("TokenCommand"), QString());
}

bool Settings::UseGnomeAccount() {
    return NumberAtStart(text(QStringLiteral("UseGnomeAccount"), QStringLiteral("0"))) != 0;
}
void Settings::setUseGnomeAccount(bool v) {
    setText(QStringLiteral("UseGnomeAccount"), boolText(v));
}

QString Settings::OAuthAuthorizeUrl() {
    return text(QStringLiteral("OAuthAuthorizeUrl"), QString());
}
void Settings::setOAuthAuthorizeUrl(const QString& v) {
    setText(QStringLiteral("OAuthAuthorizeUrl"), v);
}

QString Settings::OAuthTokenUrl() {
    return text(QStringLiteral("OAuthTokenUrl"), QString());
}
void Settings::setOAuthTokenUrl(const QString& v) {
    setText(QStringLiteral("OAuthTokenUrl"), v);
}

QString Settings::OAuthScope() {
    return text(QStringLiteral("OAuthScope"), QString());
}
void Settings::setOAuthScope(const QString& v) {
    setText(QStringLiteral("OAuthScope"), v);
}

QString Settings::OAuthClientId() {
    return text(QStringLiteral("OAuthClientId"), QString());
}
void Settings::setOAuthClientId(const QString& v) {
    setText(QStringLiteral("OAuthClientId"), v);
}

QString Settings::OAuthClientSecret() {
    return text(QStringLiteral("OAuthClientSecret"), QString());
}
void Settings::setOAuthClientSecret(const QString& v) {
    setText(QStringLiteral("OAuthClientSecret"), v);
}

QString Settings::FromEMailAddress() {
    return text(QStringLiteral("FromEMailAddress"), QString());
}
void Settings::setFromEMailAddress(const QString& v) {
    setText(QStringLiteral("FromEMailAddress"), v);
}

QString Settings::FriendlyName() {
    return text(QStringLiteral("FriendlyName"), QString());
}
void Settings::setFriendlyName(const QString& v) {
    setText(QStringLiteral("FriendlyName"), v);
}

int Settings::SplitSize() {
    const auto v = ToInt16(text(QStringLiteral("SplitSize"), QStringLiteral("1")));
    return v ? *v : 1;
}
void Settings::setSplitSize(int v) {
    setText(QStringLiteral("SplitSize"), QString::number(v));
}

QString Settings::CustomSplitSize() {
    return text(QStringLiteral("CustomSplitSize"), QStringLiteral("100 MB"));
}
void Settings::setCustomSplitSize(const QString& v) {
    setText(QStringLiteral("CustomSplitSize"), v);
}

bool Settings::ReceiverFiles() {
    return NumberAtStart(text(QStringLiteral("ReceiverFiles"), QStringLiteral("-1"))) != 0;
}
void Settings::setReceiverFiles(bool v) {
    setText(QStringLiteral("ReceiverFiles"), boolText(v));
}

bool Settings::RASRequired() {
    return NumberAtStart(text(QStringLiteral("RASRequired"), QStringLiteral("0"))) != 0;
}
void Settings::setRASRequired(bool v) {
    setText(QStringLiteral("RASRequired"), boolText(v));
}

bool Settings::ShowWelcome() {
    return NumberAtStart(text(QStringLiteral("ShowWelcome"), QStringLiteral("-1"))) != 0;
}
void Settings::setShowWelcome(bool v) {
    setText(QStringLiteral("ShowWelcome"), boolText(v));
}

int Settings::seconds(const QString& key, int defaultValue) {
    bool ok = false;
    const int v = text(key, QString::number(defaultValue)).trimmed().toInt(&ok);
    return ok && v > 0 ? v : defaultValue;
}

int Settings::MailReplyTimeout() {
    return seconds(QStringLiteral("MailReplyTimeout"), 300);
}

int Settings::MailMessageTimeout() {
    return seconds(QStringLiteral("MailMessageTimeout"), 600);
}

int Settings::MailConnectTimeout() {
    return seconds(QStringLiteral("MailConnectTimeout"), 30);
}

QString Settings::Location() {
    return store_.location(kApp);
}
