#pragma once

#include "mail/mMail.h"
#include "settings/Settings.h"
#include "shell/Shell.h"
#include "split/SplitJob.h"

#include <QString>

#include <cstdint>

// Sends a split file as a numbered series of mails over one connection, one piece per message, the batch
// file on the last one; with no pieces, one message with the text alone.
class SplitMailSender {
public:
    SplitMailSender(mMail& mail, const SplitJob& job, Settings& settings, Shell& shell);

    // True when the whole series was sent; the series' own files in pieceFolder are deleted then.
    bool SendSplitMails(const QString& sourcePath, int pieceCount, const QString& pieceFolder);

    // The status line of the message being sent, and the server's latest reply.
    QString MailStatusText;
    QString MailLastMessage;

private:
    void mailSend_StatusMessage(const QString& text);
    void mailSend_Progress(int32_t done, int32_t total);
    void sendOne(int i, int n, const QString& sourceName, const QString& base, const QString& folder);
    void attach(const QString& name, const QString& folder);
    void deleteSeriesFiles(const QString& folder, const QString& base, int n);

    mMail& mail_;
    const SplitJob& job_;
    Settings& settings_;
    Shell& shell_;
};

// The boundary numbers of the run's messages: 0 .. 99999999999, the same sequence in every run.
uint64_t NextBoundaryNumber();
