#pragma once

#include "core/SplitJob.h"
#include "mail/MailMessage.h"
#include "mail/SmtpSession.h"
#include "settings/Settings.h"
#include "shell/Shell.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class ComponentError;

// Sends a split file as a numbered series of mails over one connection, one piece per message, the batch
// file on the last one; with no pieces, one message with the text alone.
class MailSeries {
public:
    MailSeries(SmtpSession& session, const SplitJob& job, Settings& settings, Shell& shell);

    // True when the whole series was sent; the series' own files in pieceFolder are deleted then. The
    // messages are written out in pieceFolder on their way to the server.
    // first > 1 finishes a stopped series: messages 1 .. first-1 went before.
    bool send(const QString& sourcePath, int pieceCount, const QString& pieceFolder, int first = 1);

    // Called with the number of each message the server accepted.
    std::function<void(int)> onMessageSent;

    // The size of a message of the job that carries a piece of pieceBytes, before anything is split.
    int64_t messageSizeFor(int64_t pieceBytes);

    // The last send stopped at the sign-in or the encryption the settings ask for, before any message went.
    bool stoppedBySetting() const { return stoppedBySetting_; }

    // The addresses the messages go to: To, CC and BCC.
    std::vector<QString> recipients() const { return message_.envelopeRecipients(); }

private:
    struct Series {
        QString sourceName, base, folder;
        int count = 0;
        std::function<int64_t(const QString& file)> sizeOf; // of an attachment that is only measured
    };
    enum class Mode { Send, Measure };

    void onUploadProgress(int32_t done, int32_t total);
    void compose(int i, const Series& series, Mode mode);
    void attach(const QString& name, const QString& file, const Series& series, Mode mode);
    // The size message i of the series will have, from its parts and the sizes of its files.
    int64_t measure(int i, const Series& series);
    // False, after telling the user, when the largest message of the series exceeds the server's limit.
    bool fitsServer(const Series& series);
    // Why message i was not sent: the user's stop, the server's reply, or the component's error e.
    QString notSentText(int i, int total, const ComponentError* e) const;
    void deleteSeriesFiles(const QString& folder, const QString& base, int n);

    SmtpSession& session_;
    MailMessage message_;
    const SplitJob& job_;
    Settings& settings_;
    Shell& shell_;
    int64_t measuredFiles_ = 0;
    bool stoppedBySetting_ = false;
    QString statusText_; // the progress line of the message being sent
};

// Throws JobError when an address of the job needs SMTPUTF8 and the mail server does not offer it; the server is
// asked only then.
void CheckServerTakesAddresses(const SplitJob& job, Settings& settings);

// A boundary for a message that holds this text: random, and not in the text.
QString NewBoundary(const QString& text);

// What a server may add to a message before it checks the size: a message that comes this close to the
// limit counts as too large.
inline constexpr int64_t kServerAdds = 1024;

// The bytes base64 makes of n bytes, in lines of 76 characters ending in CR LF.
int64_t Base64Size(int64_t n);
