#pragma once

#include <QString>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

// The mail component: builds MIME messages part by part (GMime) and sends them over one SMTP connection
// (libcurl). Every failing call throws ComponentError.
class mMail {
public:
    mMail();
    ~mMail();
    mMail(const mMail&) = delete;
    mMail& operator=(const mMail&) = delete;

    // Connection. Server: name, name:port, smtp://name[:port] (STARTTLS when offered), smtps://name[:port].
    bool ConnectFlag = false;
    int32_t ConnectOption = 0;
    QString Server;
    // Seconds to wait for a reply: to the greeting and each command, and to the end of a message (RFC 5321
    // 4.5.3.2 asks for at least 5 and 10 minutes); and for the server to take the connection (TCP alone).
    int ReplyTimeout = 300;
    int MessageTimeout = 600;
    int ConnectTimeout = 30;
    void OpenConnection();
    void CloseConnection();
    int LastSocketError() const { return lastSocketError_; }
    // The largest message the server takes, from SIZE in its greeting (RFC 1870); 0 when it names none.
    int64_t ServerSizeLimit() const;
    // Whether the server named the extension (SMTPUTF8, SIZE, ...) in its reply to EHLO.
    bool ServerOffers(const QString& keyword) const;
    // After a failure: the command the server refused ("RCPT TO:<b@x.test>") and its reply, as sent.
    QString FailedCommand() const;
    QString FailedReply() const;
    // The server offers no encryption, and a password was to be sent.
    static constexpr int NoEncryptionError = 20064;

    // The message being composed.
    int16_t MessageOption = 0;
    void NewMessage();
    QString MessageDate; // "ddd, dd mmm yyyy hh:mm:ss", local time
    QString SenderName;
    QString SenderAddress;
    QString Recipients; // comma-separated lists
    QString CcRecipients;
    QString BccRecipients; // envelope only, never a header
    QString MessageSubject;

    // The MIME fields of the current part (the message itself before the first AddPart).
    void setContentType(const QString& v);
    void setContentSubtype(const QString& v);
    void setContentParameter(const QString& v);
    void setTransferEncoding(const QString& v);
    void setContentDisposition(const QString& v);
    void setBoundary(const QString& v);

    void AddPart();    // a new part inside the current one
    void SelectPart(); // the part added last becomes current
    int32_t PartOption = 0;
    QString PartFile;
    void LoadPartFile(); // the file becomes the part's content, encoded when the message is written
    void AppendText(const QString& text);
    void EndPart(); // the parent part is current again

    // Hands the message to the server; returns when the server accepted it. The message is written out to a
    // file in SpoolFolder first (the system's temporary folder when it is empty). Recipients a server refuses
    // with 452 as too many for one transaction go in further transactions of the same message.
    QString SpoolFolder;
    void SendMessage();
    // The recipients the server took the current message for, also when it failed for the others.
    const std::vector<QString>& DeliveredTo() const { return deliveredTo_; }

    // Notifications, on the calling thread while OpenConnection or SendMessage runs.
    std::function<void(const QString&)> StatusMessage;
    std::function<void(int32_t done, int32_t total)> Progress;
    // Asked while a message goes out: true ends the upload (the message is not sent). Once the whole message
    // is out, the server's answer is awaited whatever it says, so that "sent" stays true.
    std::function<bool()> ShouldStop;

    // The message as it would be sent (for tests and diagnostics), and its size in bytes.
    QByteArray RenderMessage();
    int64_t MessageSize();
    // The envelope recipients parsed from the three lists.
    std::vector<QString> EnvelopeRecipients() const;

    struct Part;
    struct Connection;

private:
    [[noreturn]] void fail(int number, const QString& description);
    void perform(long replyTimeout);
    // One transaction of the spooled message to these recipients.
    void sendTo(const std::vector<QString>& recipients, FILE* spool, int64_t size);
    void secure(void* curl, const QString& server);
    // Writes the message being composed to the open file.
    void writeMessage(int fd);

    std::unique_ptr<Part> message_;
    Part* current_ = nullptr;
    Part* added_ = nullptr;
    std::unique_ptr<Connection> connection_;
    int lastSocketError_ = 0;
    std::vector<QString> deliveredTo_;
};

// Starts the MIME library once per process; every mMail does it, and so must code that parses addresses
// without one.
void InitMailLibrary();
