#include "mail/SendSplitMails.h"

#include "app/ResStrings.h"
#include "mail/ComponentError.h"
#include "settings/JobSettings.h"
#include "split/JobError.h"
#include "split/PathNames.h"
#include "split/VbConvert.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>

#include <random>

uint64_t NextBoundaryNumber() {
    // Never seeded: every run draws the same numbers.
    static std::mt19937_64 generator;
    const double r = std::generate_canonical<double, 53>(generator);
    return static_cast<uint64_t>(r * 100000000000.0);
}

SplitMailSender::SplitMailSender(mMail& mail, const SplitJob& job, Settings& settings, Shell& shell)
    : mail_(mail), job_(job), settings_(settings), shell_(shell) {
    mail_.StatusMessage = [this](const QString& t) { mailSend_StatusMessage(t); };
    mail_.Progress = [this](int32_t done, int32_t total) { mailSend_Progress(done, total); };
}

void SplitMailSender::mailSend_StatusMessage(const QString& text) {
    MailLastMessage = text;
}

void SplitMailSender::mailSend_Progress(int32_t done, int32_t total) {
    if (total <= 0)
        return; // nothing to measure against
    const double percent = static_cast<double>(done) / static_cast<double>(total) * 100.0;
    shell_.ShowProgress(static_cast<int>(RoundHalfEven(percent)), MailStatusText);
}

void SplitMailSender::attach(const QString& name, const QString& folder) {
    const QString quotedName = u'"' + name + u'"';
    mail_.AddPart();
    mail_.SelectPart();
    mail_.setContentType(QStringLiteral("application"));
    mail_.setContentSubtype(QStringLiteral("octet-stream"));
    mail_.setContentParameter(QStringLiteral("name=") + quotedName);
    mail_.setTransferEncoding(QStringLiteral("base64"));
    mail_.setContentDisposition(QStringLiteral("attachment; filename=") + quotedName);
    mail_.PartOption = 130;
    mail_.PartFile = JoinPath(folder, name);
    mail_.LoadPartFile();
    mail_.EndPart();
}

void SplitMailSender::sendOne(int i, int n, const QString& sourceName, const QString& base, const QString& folder) {
    const QString subject = job_.Subject;
    mail_.MessageOption = 1;
    MailStatusText = n > 0 ? LoadResString(1063) + QStringLiteral(" '") + sourceName + u' ' + QString::number(i) +
                                 LoadResString(1057) + QString::number(n) + u'\''
                           : LoadResString(1063) + QStringLiteral(" '") + subject + u'\'';
    mail_.NewMessage();
    // English names: the Date header is read by mail programs, not by people.
    mail_.MessageDate =
        QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss"));
    mail_.SenderName = settings_.FriendlyName();
    mail_.SenderAddress = settings_.FromEMailAddress();
    mail_.Recipients = job_.SendTo;
    mail_.CcRecipients = job_.CarbonCopy;
    mail_.BccRecipients = job_.BlindCarbonCopy;
    mail_.MessageSubject =
        n > 0 ? subject + u' ' + QString::number(i) + LoadResString(1057) + QString::number(n) : subject;

    const QString boundary = QString::number(NextBoundaryNumber()) + QStringLiteral("_boundary");
    mail_.setContentType(QStringLiteral("multipart"));
    mail_.setContentSubtype(QStringLiteral("mixed"));
    mail_.setContentParameter(QStringLiteral("boundary=") + boundary);
    mail_.setBoundary(boundary);

    const bool last = n > 0 && i == n;
    if (n > 0)
        attach(PieceName(base, i), folder);
    if (last) {
        if (job_.BatchAsText) {
            const QString bat = JoinPath(folder, BatchName(base));
            const QString txt = JoinPath(folder, base + QStringLiteral("txt"));
            if (QFile::exists(txt) || !QFile::rename(bat, txt))
                throw ComponentError(3, QStringLiteral("Cannot rename '%1' to '%2'").arg(bat, txt));
            attach(base + QStringLiteral("txt"), folder);
        } else {
            attach(BatchName(base), folder);
        }
    }

    QString body = BodyText(job_, settings_);
    if (last && job_.BatchAsText)
        body += LoadResString(1078);
    body += LoadResString(1075);
    mail_.AddPart();
    mail_.SelectPart();
    mail_.setContentType(QStringLiteral("text"));
    mail_.setContentSubtype(QStringLiteral("plain"));
    mail_.setContentParameter(QStringLiteral("charset=us-ascii"));
    mail_.setTransferEncoding(QStringLiteral("7bit"));
    mail_.AppendText(body);
    mail_.EndPart();

    mail_.PartOption = 64;
    mail_.SendMessage();
}

void SplitMailSender::deleteSeriesFiles(const QString& folder, const QString& base, int n) {
    // Exactly the series' own files: other files that share the base are not ours.
    for (int i = 1; i <= n; ++i)
        QFile::remove(JoinPath(folder, PieceName(base, i)));
    QFile::remove(JoinPath(folder, BatchName(base)));
    QFile::remove(JoinPath(folder, base + QStringLiteral("txt")));
}

bool SplitMailSender::SendSplitMails(const QString& sourcePath, int pieceCount, const QString& pieceFolder) {
    mail_.ConnectFlag = true;
    mail_.Server = settings_.Host();
    mail_.ConnectOption = 0;
    try {
        mail_.OpenConnection();
    } catch (const ComponentError& e) {
        if (e.number() >= 11001 && e.number() <= 11004) {
            shell_.MsgBox({LoadResString(1079), MsgButtons::Ok, MsgIcon::Critical, 0, {}});
            return false;
        }
        // Any other failure shows when the first message is sent.
    }

    const QString sourceName = ExtractFileName(sourcePath);
    const QString base = sourcePath.isEmpty() ? QString() : PieceBase(sourcePath);
    try {
        if (pieceCount > 0) {
            for (int i = 1; i <= pieceCount; ++i)
                sendOne(i, pieceCount, sourceName, base, pieceFolder);
        } else {
            sendOne(0, 0, sourceName, base, pieceFolder);
        }
    } catch (const ComponentError& e) {
        shell_.MsgBox(
            {e.description() + QStringLiteral("\r\n") + MailLastMessage, MsgButtons::Ok, MsgIcon::None, 0, {}});
        const int socketError = mail_.LastSocketError();
        if (socketError < 10050 || socketError > 10060)
            mail_.CloseConnection();
        shell_.SetBusy(false);
        return false;
    }

    mail_.CloseConnection();
    if (pieceCount > 0)
        deleteSeriesFiles(pieceFolder, base, pieceCount);
    shell_.SetBusy(false);
    return true;
}
