#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// One mail as it is composed part by part, written out in MIME with GMime. Attachments are only named here and
// read while the message is written, so memory does not grow with them. Failing calls throw ComponentError.
class MailMessage {
public:
    MailMessage();
    ~MailMessage();
    MailMessage(const MailMessage&) = delete;
    MailMessage& operator=(const MailMessage&) = delete;

    // Starts a new message: no headers, no parts.
    void clear();
    QString date; // "ddd, dd MMM yyyy hh:mm:ss", local time
    QString senderName;
    QString senderAddress;
    QString recipients; // lists of addresses separated by ',' or ';'
    QString ccRecipients;
    QString bccRecipients; // envelope only, never a header
    QString subject;

    // The MIME fields of the current part (the message itself before the first addPart).
    void setContentType(const QString& v);
    void setContentSubtype(const QString& v);
    void setContentParameter(const QString& v);
    void setTransferEncoding(const QString& v);
    void setContentDisposition(const QString& v);
    void setBoundary(const QString& v);

    void addPart();    // a new part inside the current one
    void selectPart(); // the part added last becomes current
    // The file becomes the current part's content, encoded when the message is written.
    void setPartFile(const QString& file);
    void appendText(const QString& text);
    void endPart(); // the parent part is current again

    // The message as it would be sent (for tests and diagnostics), and its size in bytes.
    QByteArray render();
    int64_t size();
    // Writes the message to the open file.
    void writeTo(int fd);
    // The envelope recipients parsed from the three lists.
    std::vector<QString> envelopeRecipients() const;

    struct Part;

private:
    std::unique_ptr<Part> root_;
    Part* current_ = nullptr;
    Part* added_ = nullptr;
};

// Starts the MIME library once per process; every MailMessage does it, and so must code that parses addresses
// without one.
void InitMailLibrary();
