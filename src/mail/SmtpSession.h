#pragma once

#include "mail/Credentials.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

class MailMessage;

// One SMTP connection over libcurl, kept open for a series of messages. Every failing call throws ComponentError:
// a network failure with the number of the platform's socket error (11001 host not found, 10060 time-out, 10054
// reset, 10061 refused, ...), a refusal with the server's reply code.
class SmtpSession {
public:
    SmtpSession();
    ~SmtpSession();
    SmtpSession(const SmtpSession&) = delete;
    SmtpSession& operator=(const SmtpSession&) = delete;

    // name, name:port, smtp://name[:port] (STARTTLS when offered), smtps://name[:port].
    QString server;
    // STARTTLS insists on it and none asks for nothing; unset, STARTTLS is used when the server offers it.
    std::optional<Security> security;
    // What to sign in with, once signInGiven; before that the login in ~/.netrc for the server's name. A password
    // or an access token goes over an encrypted line or not at all. A bearer's fetch is asked for a new token on
    // every new connection, and once more after the server refused one.
    std::optional<Credential> signIn;
    bool signInGiven = false;
    // Seconds to wait for a reply: to the greeting and each command, and to the end of a message (RFC 5321
    // 4.5.3.2 asks for at least 5 and 10 minutes); and for the server to take the connection (TCP alone).
    int replyTimeout = 300;
    int messageTimeout = 600;
    int connectTimeout = 30;
    // Connects, greets and checks the line; the connection stays open for the messages.
    void open();
    void close();
    int lastSocketError() const { return lastSocketError_; }
    // The server took the sign-in (235) on this connection; false also when it asked for none.
    bool signedIn() const;
    // The largest message the server takes, from SIZE in its greeting (RFC 1870); 0 when it names none.
    int64_t serverSizeLimit() const;
    // Whether the server named the extension (SMTPUTF8, SIZE, ...) in its reply to EHLO.
    bool serverOffers(const QString& keyword) const;
    // After a failure: the command the server refused ("RCPT TO:<b@x.test>") and its reply, as sent.
    QString failedCommand() const;
    QString failedReply() const;
    // The server offers no encryption, and a password was to be sent.
    static constexpr int NoEncryptionError = 20064;

    // Hands the message to the server; returns when the server accepted it. The message is written out to a
    // file in spoolFolder first (the system's temporary folder when it is empty). Recipients a server refuses
    // with 452 as too many for one transaction go in further transactions of the same message.
    QString spoolFolder;
    void send(MailMessage& message);
    // The recipients the server took the last message for, also when it failed for the others.
    const std::vector<QString>& deliveredTo() const { return deliveredTo_; }

    // Notifications, on the calling thread while open or send runs: each reply line of the server, and the
    // upload of a message.
    std::function<void(const QString&)> onStatus;
    std::function<void(int32_t done, int32_t total)> onProgress;
    // Asked while a message goes out: true ends the upload (the message is not sent). Once the whole message
    // is out, the server's answer is awaited whatever it says, so that "sent" stays true.
    std::function<bool()> shouldStop;

    struct Connection;

private:
    [[noreturn]] void fail(int number, const QString& description);
    void perform(long waitForReply);
    // One transaction of the spooled message to these recipients.
    void sendTo(const std::vector<QString>& recipients, const QString& sender, FILE* spool, int64_t size);
    void secure(void* curl, const QString& host);
    // Runs attempt; when the server refused the access token, runs it once more with a renewed one.
    void performSigningIn(const std::function<void()>& attempt);
    // Asks the bearer's source for a token (refused: the last one was) and signs in with it from now on; false
    // when the session signs in with no renewable bearer.
    bool renewBearer(bool refused);
    // The connection is open and the server has closed nothing.
    bool lineAlive() const;

    std::unique_ptr<Connection> connection_;
    int lastSocketError_ = 0;
    std::vector<QString> deliveredTo_;
};
