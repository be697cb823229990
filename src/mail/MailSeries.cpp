#include "mail/MailSeries.h"

#include "core/ComponentError.h"
#include "core/JobError.h"
#include "core/LocaleNumbers.h"
#include "core/NumberText.h"
#include "core/PathNames.h"
#include "core/Sentences.h"
#include "core/StopSignals.h"
#include "core/StringTable.h"
#include "mail/Credentials.h"
#include "mail/Mailboxes.h"
#include "settings/JobSettings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QUrl>

#include <algorithm>

#include <cerrno>
#include <sys/random.h>

QString NewBoundary(const QString& text) {
    for (;;) {
        // 128 bits from the system: no two messages, of this run or another, share one.
        unsigned char bits[16];
        for (size_t got = 0; got < sizeof bits;) {
            const ssize_t n = getrandom(bits + got, sizeof bits - got, 0);
            if (n > 0)
                got += static_cast<size_t>(n);
            else if (errno != EINTR)
                throw ComponentError(20000, QStringLiteral("No random numbers: ") + SystemReason(errno));
        }
        const QString boundary =
            QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(bits), sizeof bits).toHex()) +
            QStringLiteral("_boundary");
        // A line of the text equal to it would end the part (RFC 2046 5.1.1).
        if (!text.contains(boundary))
            return boundary;
    }
}

void CheckServerTakesAddresses(const SplitJob& job, Settings& settings) {
    const QString address = AddressNeedingSmtpUtf8(job, settings);
    if (address.isEmpty())
        return;
    SmtpSession probe;
    SetUpSession(probe, settings);
    try {
        probe.open();
    } catch (const ComponentError&) {
        return; // the series itself tells why the server cannot be reached
    }
    if (probe.serverOffers(QStringLiteral("SMTPUTF8")))
        return;
    // A domain alone outside ASCII has an ASCII form (IDNA) that every server takes.
    const QString local = address.section(u'@', 0, -2);
    const QString ascii = local + u'@' + QString::fromLatin1(QUrl::toAce(address.section(u'@', -1)));
    const bool localAscii = std::all_of(local.begin(), local.end(), [](QChar c) { return c.unicode() <= 0x7f; });
    throw JobError(
        Text(Res::NeedsSmtpUtf8)
            .arg(address, settings.Host(),
                 localAscii && ascii.size() > local.size() + 1 ? Text(Res::AsciiForm).arg(ascii) : QString()));
}

int64_t Base64Size(int64_t n) {
    // 57 bytes make a line of 76 characters.
    return (n + 2) / 3 * 4 + (n + 56) / 57 * 2;
}

MailSeries::MailSeries(SmtpSession& session, const SplitJob& job, Settings& settings, Shell& shell)
    : session_(session), job_(job), settings_(settings), shell_(shell) {
    session_.onProgress = [this](int32_t done, int32_t total) { onUploadProgress(done, total); };
    session_.shouldStop = [] { return StopRequested() != nullptr; };
}

void MailSeries::onUploadProgress(int32_t done, int32_t total) {
    if (total <= 0)
        return; // nothing to measure against
    const double percent = static_cast<double>(done) / static_cast<double>(total) * 100.0;
    shell_.ShowProgress(static_cast<int>(RoundHalfEven(percent)), statusText_);
}

void MailSeries::attach(const QString& name, const QString& file, const Series& series, Mode mode) {
    const QString quotedName = u'"' + name + u'"';
    message_.addPart();
    message_.selectPart();
    message_.setContentType(QStringLiteral("application"));
    message_.setContentSubtype(QStringLiteral("octet-stream"));
    message_.setContentParameter(QStringLiteral("name=") + quotedName);
    message_.setTransferEncoding(QStringLiteral("base64"));
    message_.setContentDisposition(QStringLiteral("attachment; filename=") + quotedName);
    if (mode == Mode::Measure) {
        // Measured without reading it: its encoded size is known from its size.
        measuredFiles_ += Base64Size(series.sizeOf(file));
        message_.setPartFile(QStringLiteral("/dev/null"));
    } else {
        message_.setPartFile(file);
    }
    message_.endPart();
}

void MailSeries::compose(int i, const Series& series, Mode mode) {
    const int n = series.count;
    const QString subject = job_.Subject;
    statusText_ = SendingMessageText(series.sourceName, i, n, subject);
    message_.clear();
    // English names: the Date header is read by mail programs, not by people.
    message_.date = QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss"));
    message_.senderName = settings_.FriendlyName();
    // A sender typed as "Jo <jo@x.test>" is that mailbox.
    const QString from = settings_.FromEMailAddress().trimmed();
    const auto sender = ParseMailbox(from);
    message_.senderAddress = sender ? sender->address : from;
    message_.recipients = job_.SendTo;
    message_.ccRecipients = job_.CarbonCopy;
    message_.bccRecipients = job_.BlindCarbonCopy;
    message_.subject = n > 0 ? NumberedSubject(subject, i, n) : subject;

    const QString folder = series.folder;
    const QString base = series.base;
    const bool last = n > 0 && i == n;
    QString body = BodyText(job_, settings_);
    if (last && job_.BatchAsText)
        body += Text(Res::RenameTxtNote);
    if (last && job_.ReceiverFiles)
        body += ReceiverFilesNote(base);
    body += Text(Res::Footer);

    // A measured message takes a boundary of the same length.
    const QString boundary =
        mode == Mode::Measure ? QString(32, u'0') + QStringLiteral("_boundary") : NewBoundary(body);
    message_.setContentType(QStringLiteral("multipart"));
    message_.setContentSubtype(QStringLiteral("mixed"));
    message_.setContentParameter(QStringLiteral("boundary=") + boundary);
    message_.setBoundary(boundary);

    if (n > 0)
        attach(PieceName(base, i), JoinPath(folder, PieceName(base, i)), series, mode);
    if (last) {
        const QString bat = JoinPath(folder, BatchName(base));
        if (job_.BatchAsText) {
            const QString txt = JoinPath(folder, base + QStringLiteral("txt"));
            if (mode == Mode::Measure) {
                attach(base + QStringLiteral("txt"), QFile::exists(bat) ? bat : txt, series, mode);
            } else if (QFile::exists(txt) && !QFile::exists(bat)) {
                attach(base + QStringLiteral("txt"), txt, series, mode); // renamed when this message was tried before
            } else {
                if (QFile::exists(txt) || !QFile::rename(bat, txt))
                    throw ComponentError(3, QStringLiteral("Cannot rename '%1' to '%2'").arg(bat, txt));
                attach(base + QStringLiteral("txt"), txt, series, mode);
            }
        } else {
            attach(BatchName(base), bat, series, mode);
        }
        for (const QString& name : {ChecksumListName(base), JoinScriptName(base)})
            if (job_.ReceiverFiles)
                attach(name, JoinPath(folder, name), series, mode);
    }

    message_.addPart();
    message_.selectPart();
    message_.setContentType(QStringLiteral("text"));
    message_.setContentSubtype(QStringLiteral("plain"));
    message_.setContentParameter(QStringLiteral("charset=us-ascii"));
    message_.setTransferEncoding(QStringLiteral("7bit"));
    message_.appendText(body);
    message_.endPart();
}

int64_t MailSeries::measure(int i, const Series& series) {
    measuredFiles_ = 0;
    compose(i, series, Mode::Measure);
    return message_.size() + measuredFiles_;
}

int64_t MailSeries::messageSizeFor(int64_t pieceBytes) {
    const QString name = ExtractFileName(job_.SourceFile);
    if (job_.SourceFile.isEmpty())
        return measure(0, Series{name, QString(), QString(), 0, {}});
    // The first of two: a whole piece, no batch file.
    return measure(
        1, Series{name, PieceBase(job_.SourceFile), QString(), 2, [pieceBytes](const QString&) { return pieceBytes; }});
}

bool MailSeries::fitsServer(const Series& series) {
    const int64_t limit = session_.serverSizeLimit();
    if (limit <= 0 || series.count == 0)
        return true;
    // Pieces 1 .. N-1 have one size; the last may be smaller but carries the batch file.
    int64_t largest = 0, overhead = 0;
    for (int i : {1, series.count}) {
        const int64_t size = measure(i, series);
        largest = std::max(largest, size);
        overhead =
            std::max(overhead, size - Base64Size(series.sizeOf(JoinPath(series.folder, PieceName(series.base, i)))));
    }
    // The server adds its Received line, and perhaps more, before it measures.
    if (largest + kServerAdds <= limit)
        return true;
    int64_t low = 0, high = limit; // the largest piece whose message fits lies in [low, high]
    while (low < high) {
        const int64_t mid = high - (high - low) / 2;
        if (overhead + Base64Size(mid) + kServerAdds <= limit)
            low = mid;
        else
            high = mid - 1;
    }
    shell_.Fail(Text(Res::TooLargeForServer)
                    .arg(settings_.Host(), GroupedNumber(limit), GroupedNumber(largest + kServerAdds),
                         GroupedNumber(low), QString::number(low / 1024) + QStringLiteral("KB")));
    return false;
}

QString MailSeries::notSentText(int i, int total, const ComponentError* e) const {
    const QString command = session_.failedCommand();
    const QString reply = session_.failedReply();
    // The address between the angle brackets of "RCPT TO:<b@x.test>".
    const QString address = command.section(u'<', 1).section(u'>', 0, 0);
    QString reason = e ? e->description() : QString();
    if (const char* why = StopRequested()) {
        reason = Text(Res::StoppedBy).arg(QString::fromLatin1(why));
    } else if (reply.left(3).toInt() >= 400) {
        if (command.startsWith(QStringLiteral("RCPT"), Qt::CaseInsensitive))
            reason = Text(Res::RecipientRefused).arg(address, reply);
        else if (command.startsWith(QStringLiteral("MAIL"), Qt::CaseInsensitive))
            reason = Text(Res::SenderRefused).arg(address, reply);
        else if (command == u'.')
            reason = Text(Res::MessageRefused).arg(reply);
        else
            reason =
                Text(Res::ServerAnswered).arg(command.isEmpty() ? QStringLiteral("the connection") : command, reply);
    }
    QStringList delivered;
    if (e)
        for (const QString& to : session_.deliveredTo())
            delivered << to;
    // Recipients over the server's limit per transaction had a transaction of their own, which went.
    if (!delivered.isEmpty())
        reason += u'.' + Text(Res::DeliveredOnly).arg(delivered.join(QStringLiteral(", "))).chopped(1);
    return Text(Res::MessageNotSent).arg(i).arg(total).arg(reason) +
           (i > 1 ? Text(Res::MessagesSent).arg(i - 1) : Text(Res::NoMessageSent));
}

void MailSeries::deleteSeriesFiles(const QString& folder, const QString& base, int n) {
    // Exactly the series' own files: other files that share the base are not ours.
    for (int i = 1; i <= n; ++i)
        QFile::remove(JoinPath(folder, PieceName(base, i)));
    QFile::remove(JoinPath(folder, BatchName(base)));
    QFile::remove(JoinPath(folder, base + QStringLiteral("txt")));
    QFile::remove(JoinPath(folder, ChecksumListName(base)));
    QFile::remove(JoinPath(folder, JoinScriptName(base)));
}

bool MailSeries::send(const QString& sourcePath, int pieceCount, const QString& pieceFolder, int first) {
    SetUpSession(session_, settings_);
    session_.spoolFolder = pieceFolder;
    try {
        session_.open();
    } catch (const ComponentError& e) {
        if (e.number() >= 11001 && e.number() <= 11004) {
            shell_.MsgBox({Text(Res::HostNotFound), MsgButtons::Ok, MsgIcon::Critical, 0, {}});
            return false;
        }
        if (e.number() == 535 || e.number() == SmtpSession::NoEncryptionError) {
            // The settings must change before anything can go: no message of the series is worth keeping for.
            stoppedBySetting_ = true;
            shell_.Fail(e.description());
            session_.close();
            return false;
        }
        // Any other failure shows when the first message is sent.
    }

    const Series series{ExtractFileName(sourcePath), sourcePath.isEmpty() ? QString() : PieceBase(sourcePath),
                        pieceFolder, std::max(pieceCount, 0),
                        [](const QString& file) { return QFileInfo(file).size(); }};
    const int total = std::max(series.count, 1);
    int i = std::max(first, 1);
    try {
        if (!fitsServer(series)) {
            session_.close();
            shell_.SetBusy(false);
            return false;
        }
        for (; i <= total; ++i) {
            if (StopRequested())
                break; // after the message that was going out: it is whole at the server or not there at all
            compose(series.count > 0 ? i : 0, series, Mode::Send);
            session_.send(message_);
            if (onMessageSent)
                onMessageSent(i);
        }
    } catch (const ComponentError& e) {
        shell_.Fail(notSentText(i, total, &e));
        const int socketError = session_.lastSocketError();
        if (socketError < 10050 || socketError > 10060)
            session_.close();
        shell_.SetBusy(false);
        return false;
    }

    session_.close();
    if (i <= total) {
        shell_.Fail(notSentText(i, total, nullptr));
        shell_.SetBusy(false);
        return false;
    }
    if (series.count > 0)
        deleteSeriesFiles(pieceFolder, series.base, series.count);
    shell_.SetBusy(false);
    return true;
}
