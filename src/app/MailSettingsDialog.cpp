#include "app/MailSettingsDialog.h"

#include "app/Captions.h"
#include "app/FileDialog.h"
#include "app/GnomeAccountOffer.h"
#include "app/Keyboard.h"
#include "core/ComponentError.h"
#include "core/JobError.h"
#include "core/StringTable.h"
#include "mail/Credentials.h"
#include "mail/Keyring.h"
#include "mail/Netrc.h"
#include "mail/OAuthBrowserSignIn.h"
#include "mail/OAuthProvider.h"
#include "mail/OAuthTokens.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace {

// The choices of the two lists, in the order of the string table's texts.
constexpr Security kSecurities[] = {Security::StartTls, Security::Tls, Security::None};
constexpr SignIn kSignIns[] = {SignIn::None, SignIn::Password, SignIn::OAuth2};

template <typename T, size_t N> int indexOf(const T (&choices)[N], T value) {
    for (size_t i = 0; i < N; ++i)
        if (choices[i] == value)
            return static_cast<int>(i);
    return 0;
}

void showProblem(QLabel* label, const QString& problem) {
    label->setText(problem);
    label->setVisible(!problem.isEmpty());
}

} // namespace

MailSettingsDialog::MailSettingsDialog(Settings& settings, NetworkManagerDialUp& ras, QWidget* parent)
    : QDialog(parent), settings_(settings), ras_(ras) {
    setObjectName(QStringLiteral("MailSettingsDialog"));
    SetCaptionIds(this, Res::MailSettingsTitle);
    setModal(true);

    fromGroup = MakeControl<QGroupBox>(this, "fromGroup", Res::FromGroup);
    nameLabel = MakeControl<QLabel>(fromGroup, "nameLabel", Res::FriendlyNameLabel);
    nameField = MakeControl<QLineEdit>(fromGroup, "nameField", Res::NoText, Res::FriendlyNameTip);
    addressLabel = MakeControl<QLabel>(fromGroup, "addressLabel", Res::AddressLabel);
    addressField = MakeControl<QLineEdit>(fromGroup, "addressField", Res::NoText, Res::AddressTip);
    serverGroup = MakeControl<QGroupBox>(this, "serverGroup", Res::HostGroup);
    serverLabel = MakeControl<QLabel>(serverGroup, "serverLabel", Res::ServerLabel);
    serverField = MakeControl<QLineEdit>(serverGroup, "serverField", Res::NoText, Res::HostTip);
    serverProblemLabel = MakeControl<QLabel>(serverGroup, "serverProblemLabel");
    portLabel = MakeControl<QLabel>(serverGroup, "portLabel", Res::PortLabel);
    portField = MakeControl<QLineEdit>(serverGroup, "portField");
    portProblemLabel = MakeControl<QLabel>(serverGroup, "portProblemLabel");
    securityLabel = MakeControl<QLabel>(serverGroup, "securityLabel", Res::SecurityLabel);
    securityField = MakeControl<QComboBox>(serverGroup, "securityField");
    signInLabel = MakeControl<QLabel>(serverGroup, "signInLabel", Res::SignInLabel);
    signInField = MakeControl<QComboBox>(serverGroup, "signInField");
    userLabel = MakeControl<QLabel>(serverGroup, "userLabel", Res::UserLabel);
    userField = MakeControl<QLineEdit>(serverGroup, "userField");
    passwordLabel = MakeControl<QLabel>(serverGroup, "passwordLabel", Res::PasswordLabel);
    passwordField = MakeControl<QLineEdit>(serverGroup, "passwordField");
    passwordField->setEchoMode(QLineEdit::Password);
    keyringLabel = MakeControl<QLabel>(serverGroup, "keyringLabel");
    signInButton = MakeControl<QPushButton>(serverGroup, "signInButton", Res::SignInButton);
    signInStatusLabel = MakeControl<QLabel>(serverGroup, "signInStatusLabel");
    signInStatusLabel->setOpenExternalLinks(true);
    serverSourceLabel = MakeControl<QLabel>(serverGroup, "serverSourceLabel");
    testButton = MakeControl<QPushButton>(serverGroup, "testButton", Res::TestButton);
    testResultLabel = MakeControl<QLabel>(serverGroup, "testResultLabel");
    gnomeAccountBox = new GnomeAccountOffer(serverGroup);
    portField->setMaxLength(5);
    for (QLabel* note :
         {serverProblemLabel, portProblemLabel, keyringLabel, serverSourceLabel, testResultLabel, signInStatusLabel}) {
        note->setTextInteractionFlags(Qt::TextSelectableByMouse);
        note->setTextFormat(Qt::PlainText);
        note->hide();
    }
    for (QLabel* problem : {serverProblemLabel, portProblemLabel})
        problem->setStyleSheet(QStringLiteral("color: #b00020"));
    // These quote servers and the keyring, whose words can be long: wrapped, they leave the dialog its width.
    for (QLabel* note : {keyringLabel, serverSourceLabel, testResultLabel, signInStatusLabel})
        note->setWordWrap(true);
    dialUpBox = MakeControl<QCheckBox>(this, "dialUpBox", Res::DialUpBox, Res::DialUpTip);
    dialUpGroup = MakeControl<QGroupBox>(this, "dialUpGroup");
    phoneBookLabel = MakeControl<QLabel>(dialUpGroup, "phoneBookLabel", Res::PhoneBookLabel);
    phoneBookField = MakeControl<QLineEdit>(dialUpGroup, "phoneBookField", Res::NoText, Res::PhoneBookTip);
    browseButton = MakeControl<QPushButton>(dialUpGroup, "browseButton");
    browseButton->setText(QStringLiteral("..."));
    connectionLabel = MakeControl<QLabel>(dialUpGroup, "connectionLabel", Res::ConnectionLabel);
    connectionField = MakeControl<QComboBox>(dialUpGroup, "connectionField", Res::NoText, Res::ConnectionTip);
    dialUpRequiredBox =
        MakeControl<QCheckBox>(dialUpGroup, "dialUpRequiredBox", Res::StopWithoutDialUp, Res::StopWithoutDialUpTip);
    okButton = MakeControl<QPushButton>(this, "okButton", Res::OkButton);
    cancelButton = MakeControl<QPushButton>(this, "cancelButton", Res::CancelButton);
    okButton->setDefault(true);

    auto* from = new QGridLayout(fromGroup);
    from->addWidget(nameLabel, 0, 0);
    from->addWidget(nameField, 0, 1);
    from->addWidget(addressLabel, 1, 0);
    from->addWidget(addressField, 1, 1);
    auto* host = new QGridLayout(serverGroup);
    host->addWidget(serverLabel, 0, 0);
    host->addWidget(serverField, 0, 1);
    host->addWidget(portLabel, 0, 2);
    host->addWidget(portField, 0, 3);
    host->addWidget(serverProblemLabel, 1, 1);
    host->addWidget(portProblemLabel, 1, 2, 1, 2);
    host->addWidget(securityLabel, 2, 0);
    host->addWidget(securityField, 2, 1);
    host->addWidget(signInLabel, 2, 2);
    host->addWidget(signInField, 2, 3);
    host->addWidget(serverSourceLabel, 3, 1, 1, 3);
    host->addWidget(userLabel, 4, 0);
    host->addWidget(userField, 4, 1);
    host->addWidget(passwordLabel, 4, 2);
    host->addWidget(passwordField, 4, 3);
    host->addWidget(signInButton, 4, 2, 1, 2); // in the password's place, which an OAuth2 sign-in has not
    host->addWidget(keyringLabel, 5, 1, 1, 3);
    host->addWidget(signInStatusLabel, 6, 1, 1, 3);
    host->addWidget(testButton, 7, 0);
    host->addWidget(testResultLabel, 7, 1, 1, 3);
    host->addWidget(gnomeAccountBox, 8, 0, 1, 4);
    host->setColumnStretch(1, 2);
    host->setColumnStretch(3, 1);
    auto* dialUp = new QGridLayout(dialUpGroup);
    dialUp->addWidget(phoneBookLabel, 0, 0, 1, 2);
    dialUp->addWidget(phoneBookField, 1, 0);
    dialUp->addWidget(browseButton, 1, 1);
    dialUp->addWidget(connectionLabel, 2, 0, 1, 2);
    dialUp->addWidget(connectionField, 3, 0, 1, 2);
    dialUp->addWidget(dialUpRequiredBox, 4, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto* all = new QVBoxLayout(this);
    all->setSizeConstraint(QLayout::SetMinimumSize); // notes that appear make the window taller, not the fields thinner
    all->addWidget(fromGroup);
    all->addWidget(serverGroup);
    all->addWidget(dialUpBox);
    all->addWidget(dialUpGroup);
    all->addLayout(buttons);
    setMinimumWidth(440);

    connect(dialUpBox, &QCheckBox::clicked, this, &MailSettingsDialog::onDialUpClicked);
    connect(browseButton, &QPushButton::clicked, this, &MailSettingsDialog::onBrowsePhoneBookClicked);
    connect(okButton, &QPushButton::clicked, this, &MailSettingsDialog::onOkClicked);
    connect(cancelButton, &QPushButton::clicked, this, &MailSettingsDialog::onCancelClicked);
    connect(testButton, &QPushButton::clicked, this, &MailSettingsDialog::onTestClicked);
    connect(signInButton, &QPushButton::clicked, this, &MailSettingsDialog::onSignInClicked);
    connect(serverField, &QLineEdit::textChanged, this, &MailSettingsDialog::checkFields);
    connect(portField, &QLineEdit::textChanged, this, &MailSettingsDialog::checkFields);
    connect(signInField, &QComboBox::currentIndexChanged, this, &MailSettingsDialog::checkFields);
    connect(signInField, &QComboBox::currentIndexChanged, this, &MailSettingsDialog::showSignInStatus);
    connect(securityField, &QComboBox::currentIndexChanged, this, &MailSettingsDialog::checkFields);
    connect(securityField, &QComboBox::activated, this, &MailSettingsDialog::onSecurityChosen);
    connect(addressField, &QLineEdit::editingFinished, this, &MailSettingsDialog::onAddressEdited);
    connect(gnomeAccountBox, &QCheckBox::toggled, this, &MailSettingsDialog::onGnomeAccountToggled);
    connect(addressField, &QLineEdit::textChanged, this,
            [this](const QString& text) { userField->setPlaceholderText(text.trimmed()); });
}

MailSettingsDialog::~MailSettingsDialog() {
    // A test under way ends within its time-outs; the dialog's fields must outlive it.
    if (test_) {
        test_->wait();
        delete test_;
    }
}

void MailSettingsDialog::enableDialUp(bool on) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{dialUpGroup, phoneBookField, browseButton, connectionField, dialUpRequiredBox})
        w->setEnabled(on);
}

void MailSettingsDialog::load() {
    FillCaptions(this);
    Mnemonic(nameLabel, u'F', nameField);
    Mnemonic(addressLabel, u'M', addressField);
    Mnemonic(serverGroup, u'H');
    Mnemonic(serverLabel, u'v', serverField);
    Mnemonic(portLabel, u'P', portField);
    Mnemonic(securityLabel, u'u', securityField);
    Mnemonic(signInLabel, u'g', signInField);
    Mnemonic(userLabel, u'n', userField);
    Mnemonic(passwordLabel, u'w', passwordField);
    Mnemonic(testButton, u'T');
    Mnemonic(signInButton, u'I');
    securityField->addItems(Text(Res::SecurityChoices).split(u'|'));
    signInField->addItems(Text(Res::SignInChoices).split(u'|'));
    Mnemonic(dialUpBox, u'D');
    Mnemonic(phoneBookLabel, u'L', phoneBookField);
    Mnemonic(connectionLabel, u'C', connectionField);
    Mnemonic(dialUpRequiredBox, u'S');
    SpeakAs(browseButton, Text(Res::PhoneBookTitle)); // its caption is "..."
    const bool useRas = settings_.UseRAS();
    dialUpBox->setChecked(useRas);
    enableDialUp(useRas);
    if (ras_.available()) {
        try {
            const int count = ras_.entryCount();
            for (int p = 0; p < count; ++p)
                connectionField->addItem(ras_.entry(p));
        } catch (const ComponentError&) {
            // A phonebook that cannot be read lists nothing; the rest of the dialog works.
        }
    }
    nameField->setText(settings_.FriendlyName());
    addressField->setText(settings_.FromEMailAddress());
    const MailAccount account = MailAccount::FromSettings(settings_);
    serverField->setText(account.host);
    portField->setText(account.port);
    securityField->setCurrentIndex(indexOf(kSecurities, account.security));
    SignIn login = account.login;
    // A server stored before the sign-in was chosen signed in when ~/.netrc or a command had a password for it.
    if (account.legacy && !NetrcLoginFor(DefaultNetrcPath(), account.host) && settings_.PasswordCommand().isEmpty())
        login = SignIn::None;
    signInField->setCurrentIndex(indexOf(kSignIns, login));
    userField->setText(account.user);
    userField->setPlaceholderText(settings_.FromEMailAddress());
    phoneBookField->setText(settings_.RASPhoneBook());
    dialUpRequiredBox->setChecked(settings_.RASRequired());
    connectionField->setCurrentIndex(
        connectionField->findText(settings_.RASConnection(), Qt::MatchExactly | Qt::MatchCaseSensitive));
    lookUpStoredPassword();
    gnomeAccountBox->offerFor(settings_.FromEMailAddress(), settings_.UseGnomeAccount());
    checkFields();
}

void MailSettingsDialog::onGnomeAccountToggled(bool ticked) {
    const auto gnome = gnomeAccountBox->chosen();
    if (ticked && gnome) {
        serverField->setText(gnome->server.host);
        portField->setText(gnome->server.port);
        securityField->setCurrentIndex(indexOf(kSecurities, gnome->server.security));
        signInField->setCurrentIndex(indexOf(kSignIns, SignIn::OAuth2));
        userField->setText(gnome->server.user);
    }
    checkFields();
    showSignInStatus();
}

void MailSettingsDialog::lookUpStoredPassword() {
    const MailAccount account = accountFromFields();
    if (account.host.trimmed().isEmpty())
        return;
    const Keyring::Answer answer =
        Keyring::read(Keyring::keyFor(account.userOr(addressField->text()), account.host.trimmed()));
    // The password itself stays where it is: the field shows only that there is one.
    if (answer.status == Keyring::Status::Found)
        passwordField->setPlaceholderText(Text(Res::PasswordInKeyring));
    showProblem(keyringLabel,
                answer.status == Keyring::Status::Unavailable ? Text(Res::NoKeyring).arg(answer.reason) : QString());
}

MailAccount MailSettingsDialog::accountFromFields() const {
    MailAccount account;
    account.host = serverField->text().trimmed();
    account.port = portField->text().trimmed();
    account.security = kSecurities[std::max(securityField->currentIndex(), 0)];
    account.login = kSignIns[std::max(signInField->currentIndex(), 0)];
    account.user = userField->text().trimmed();
    return account;
}

void MailSettingsDialog::checkFields() {
    const MailAccount account = accountFromFields();
    // An empty server is no mistake here: the dialog also sets the sender for jobs without mail.
    const QString serverProblem = account.host.isEmpty() ? QString() : ServerProblem(account.host);
    QString portProblem = PortProblem(account.port);
    if (account.port.isEmpty() && account.host.isEmpty())
        portProblem.clear();
    QString securityProblem;
    if (account.security == Security::None && account.login == SignIn::Password) {
        securityProblem = Text(Res::PasswordNeedsEncryption);
        securityProblem[0] = securityProblem[0].toUpper();
    }
    showProblem(serverProblemLabel, serverProblem);
    showProblem(portProblemLabel, portProblem.isEmpty() ? securityProblem : portProblem);
    const bool usable = serverProblem.isEmpty() && portProblem.isEmpty() && securityProblem.isEmpty();
    okButton->setEnabled(usable && !test_);
    // An OAuth2 account without a token yet is tested too: the test then says how to sign in.
    testButton->setEnabled(usable && !account.host.isEmpty() && !test_);
    userField->setEnabled(account.login != SignIn::None);
    passwordField->setEnabled(account.login == SignIn::Password);
    const bool browser = account.login == SignIn::OAuth2;
    passwordLabel->setVisible(!browser);
    passwordField->setVisible(!browser);
    signInButton->setVisible(browser);
    signInButton->setEnabled(browser && usable && (signIn_ || !account.host.isEmpty()));
    if (!browser)
        signInStatusLabel->hide();
}

void MailSettingsDialog::setSignInStatus(const QString& status) {
    showProblem(signInStatusLabel, status);
    // A wrapped line's height follows its width, which the minimum size of a dialog already shown does not ask.
    if (isVisible())
        adjustSize();
}

void MailSettingsDialog::showSignInStatus() {
    const MailAccount account = accountFromFields();
    if (account.login != SignIn::OAuth2 || signIn_)
        return;
    const QString user = account.userOr(addressField->text());
    QString status;
    try {
        const OAuthProvider provider = OAuthProviderFor(account, addressField->text(), settings_);
        if (Keyring::read(RefreshTokenKey(user, provider)).status == Keyring::Status::Found)
            status = Text(Res::OAuthSignedIn).arg(user, provider.name);
    } catch (const JobError& e) {
        status = e.message(); // no provider or client id: what to set, or the other ways
    }
    setSignInStatus(status);
}

void MailSettingsDialog::onSignInClicked() {
    if (signIn_) {
        signIn_->cancel();
        return;
    }
    const MailAccount account = accountFromFields();
    const QString user = account.userOr(addressField->text());
    OAuthProvider provider;
    try {
        provider = OAuthProviderFor(account, addressField->text(), settings_);
    } catch (const JobError& e) {
        setSignInStatus(e.message());
        emit signInFinished(false);
        return;
    }
    signIn_ = new OAuthBrowserSignIn(provider, user, this);
    connect(signIn_, &OAuthBrowserSignIn::finished, this, [this, user, caption = signInButton->text()](bool succeeded) {
        signInStatusLabel->setTextFormat(Qt::PlainText);
        signInStatusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
        setSignInStatus(succeeded ? Text(Res::OAuthSignedIn).arg(user, signIn_->provider().name) : signIn_->error());
        signIn_->deleteLater();
        signIn_ = nullptr;
        signInButton->setText(caption);
        checkFields();
        emit signInFinished(succeeded);
    });
    // Not the dialog's own Cancel, and the same Alt+I that started it.
    signInButton->setText(Text(Res::CancelSignIn));
    Mnemonic(signInButton, u'I');
    signIn_->start();
    if (signIn_) {
        // A link, not the whole address, which is too long to wrap and would widen the dialog past the screen.
        const QUrl url = signIn_->authorizeUrl();
        const QString link = QStringLiteral("<a href=\"") + url.toString(QUrl::FullyEncoded).toHtmlEscaped() +
                             QStringLiteral("\">") + url.toString(QUrl::RemoveQuery).toHtmlEscaped() +
                             QStringLiteral("</a>");
        signInStatusLabel->setTextFormat(Qt::RichText);
        // The link is reached with Tab only while there is one: a plain note is no stop.
        signInStatusLabel->setTextInteractionFlags(Qt::TextBrowserInteraction);
        setSignInStatus(Text(Res::OAuthOpenPage).toHtmlEscaped().arg(provider.name.toHtmlEscaped(), link));
    }
    checkFields();
}

void MailSettingsDialog::onSecurityChosen(int index) {
    // A port the user typed stays; one that only followed the last choice follows this one.
    const QString port = portField->text().trimmed();
    const bool followed =
        port.isEmpty() || std::any_of(std::begin(kSecurities), std::end(kSecurities),
                                      [&](Security s) { return port == QString::number(DefaultPort(s)); });
    if (followed)
        portField->setText(QString::number(DefaultPort(kSecurities[std::max(index, 0)])));
    checkFields();
}

bool MailSettingsDialog::serverIsOurs() const {
    const QString server = serverField->text().trimmed();
    return server.isEmpty() || server == lookedUpServer_;
}

void MailSettingsDialog::onAddressEdited() {
    const QString address = addressField->text().trimmed();
    gnomeAccountBox->offerFor(address, gnomeAccountBox->isChecked());
    if (serverIsOurs() && address.contains(u'@') && address != lookedUpFor_) {
        lookedUpFor_ = address;
        emit addressNeedsServer(address);
    }
}

void MailSettingsDialog::showServerNote(const QString& note) {
    if (serverIsOurs())
        showProblem(serverSourceLabel, note);
}

void MailSettingsDialog::fillServer(const QString& host, int port, const QString& security, const QString& login,
                                    const QString& source, const QString& user) {
    if (!serverIsOurs())
        return; // the user's own values win
    lookedUpServer_ = host;
    serverField->setText(host);
    if (!user.isEmpty() && userField->text().trimmed().isEmpty())
        userField->setText(user);
    portField->setText(QString::number(port));
    const QString s = security.toLower();
    securityField->setCurrentIndex(indexOf(kSecurities, s == u"tls"    ? Security::Tls
                                                        : s == u"none" ? Security::None
                                                                       : Security::StartTls));
    const QString l = login.toLower();
    signInField->setCurrentIndex(indexOf(kSignIns, l == u"oauth2" ? SignIn::OAuth2
                                                   : l == u"none" ? SignIn::None
                                                                  : SignIn::Password));
    showProblem(serverSourceLabel, source);
    checkFields();
}

void MailSettingsDialog::onTestClicked() {
    const MailAccount account = accountFromFields();
    const QString user = account.userOr(addressField->text());
    const QString typed = passwordField->text();
    testResultLabel->setText(Text(Res::Connecting));
    testResultLabel->show();
    auto outcome = std::make_shared<std::pair<bool, QString>>();
    const auto gnome = gnomeAccountBox->chosen();
    test_ = QThread::create([this, account, user, typed, outcome, gnome] {
        try {
            std::optional<Credential> signIn;
            if (account.login == SignIn::OAuth2)
                signIn = gnome ? GnomeCredential(*gnome) : SignInFor(account, settings_);
            if (account.login == SignIn::Password) {
                signIn = typed.isEmpty() ? FindPassword(account, user, settings_)
                                         : Credential{Credential::Kind::Password, user, typed, QString()};
                if (!signIn)
                    throw JobError(Text(Res::NoPassword).arg(user, account.host));
            }
            outcome->second = TrySignIn(account, signIn, &outcome->first);
            outcome->first = outcome->first || !signIn;
        } catch (const ComponentError& e) {
            outcome->second = Text(Res::TestFailed).arg(e.description());
        } catch (const JobError& e) {
            outcome->second = Text(Res::TestFailed).arg(e.message());
        }
    });
    connect(test_, &QThread::finished, this, [this, outcome] {
        test_->deleteLater();
        test_ = nullptr;
        testResultLabel->setText(outcome->second);
        // A long answer wraps onto more lines than the dialog shown has room for.
        if (isVisible())
            adjustSize();
        checkFields();
        emit testFinished(outcome->first);
    });
    test_->start();
    checkFields();
}

void MailSettingsDialog::onDialUpClicked() {
    enableDialUp(dialUpBox->isChecked());
}

void MailSettingsDialog::onBrowsePhoneBookClicked() {
    FileDialog dialog;
    dialog.setOwner(this);
    dialog.filter = Text(Res::PhoneBookFilter);
    dialog.initialFolder = QCoreApplication::applicationDirPath();
    dialog.title = Text(Res::PhoneBookTitle);
    dialog.fileName = phoneBookField->text();
    dialog.flags = FileDialog::FileMustExist | FileDialog::HideReadOnly;
    dialog.showOpen();
    if (!dialog.cancelled && !dialog.fileName.isEmpty())
        phoneBookField->setText(dialog.fileName);
}

void MailSettingsDialog::onOkClicked() {
    settings_.setFriendlyName(nameField->text());
    settings_.setFromEMailAddress(addressField->text());
    const MailAccount account = accountFromFields();
    account.store(settings_);
    settings_.setUseGnomeAccount(gnomeAccountBox->chosen().has_value());
    const QString password = passwordField->text();
    if (account.login == SignIn::Password && !password.isEmpty()) {
        const QString key = Keyring::keyFor(account.userOr(addressField->text()), account.host);
        QString reason;
        // Without a keyring (the dialog said so) it serves this run only.
        if (!Keyring::write(key, password, &reason))
            RememberForRun(key, password);
    }
    settings_.setUseRAS(dialUpBox->isChecked());
    settings_.setRASConnection(connectionField->currentIndex() >= 0 ? connectionField->currentText() : QString());
    settings_.setRASPhoneBook(phoneBookField->text());
    settings_.setRASRequired(dialUpRequiredBox->isChecked());
    accept();
}

void MailSettingsDialog::onCancelClicked() {
    reject();
}
