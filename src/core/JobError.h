#pragma once

#include <QString>

#include <stdexcept>

// A job that cannot go on: a file that cannot be read or written, a value that cannot be used. The message
// names the file or value, says why and what to do; the driver shows it and ends the job as failed.
class JobError : public std::runtime_error {
public:
    explicit JobError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// The system's reason for errno, as a sentence part ("No space left on device").
QString SystemReason(int error);

// What a file of this mode is, for messages: "a symbolic link", "a named pipe (FIFO)", ...
QString KindOfFile(unsigned mode);
