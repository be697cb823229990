#pragma once

#include <QString>

class Settings;

enum class Security { StartTls, Tls, None };
// How the client proves who it is; a token source for oauth2 stands beside the password one.
enum class SignIn { None, Password, OAuth2 };

// The outgoing server and how to sign in to it, as stored in the settings (Host, Port, Security, Login, User).
struct MailAccount {
    QString host; // the name or address alone
    QString port; // as typed; Problem() says when it is no port
    Security security = Security::StartTls;
    SignIn login = SignIn::Password;
    QString user;
    // Nothing stored for Security and Login: a server set up before they existed (only Host). STARTTLS is then
    // used when the server offers it, and a password is sent when one is found, as it always was.
    bool legacy = false;

    // Reads the keys; a stored "name:port", "smtp://name[:port]" or "smtps://name[:port]" is split up.
    static MailAccount FromSettings(Settings& settings);
    void store(Settings& settings) const;

    int portNumber() const { return port.trimmed().toInt(); }
    // host:port, with brackets around an IPv6 address.
    QString hostAndPort() const;
    // The URL the session connects to.
    QString url() const;
    // The user name signed in with: User, or the sender's address when it is empty.
    QString userOr(const QString& address) const {
        return user.trimmed().isEmpty() ? address.trimmed() : user.trimmed();
    }
};

int DefaultPort(Security security);
// "name", "name:port" or "[IPv6 address]:port" split up; port is empty when the text names none.
void SplitHostPort(const QString& text, QString& host, QString& port);
QString SecurityKey(Security security);
QString SignInKey(SignIn login);

// Why the port text cannot be used, or an empty text.
QString PortProblem(const QString& port);
// Why the text is no host name, IPv4 or IPv6 address, or an empty text. An empty server is a problem too.
QString ServerProblem(const QString& host);
