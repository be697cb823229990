#include "settings/JobSettings.h"

void LoadJobDefaults(Settings& settings, SplitJob& job) {
    const int stored = settings.SplitSize();
    // A hand-edited size outside the five options falls back to "1 MB".
    job.SizeIndex = stored >= 0 && stored <= 4 ? stored : 1;
    job.CustomSplitSize = settings.CustomSplitSize();
    job.SplitFolder = settings.SplitDir();
    job.ReceiverFiles = settings.ReceiverFiles();

    job.RecipientHistory.clear();
    for (int slot = 1; slot <= Settings::kRecipientSlots; ++slot) {
        settings.setEMailAddressIndex(slot);
        const QString address = settings.ToEMailAddress();
        if (!address.isEmpty())
            job.RecipientHistory.append(address);
    }
    job.SendTo = job.RecipientHistory.value(0);
    job.MailSelected = true;
}

void StoreJobSettings(SplitJob& job, Settings& settings) {
    settings.setSplitSize(job.SizeIndex);
    settings.setCustomSplitSize(job.CustomSplitSize);
    settings.setSplitDir(job.SplitFolder);
    settings.setReceiverFiles(job.ReceiverFiles);

    QStringList& list = job.RecipientHistory;
    if (job.SendTo != list.value(0))
        list.prepend(job.SendTo);
    while (list.size() >= Settings::kRecipientSlots)
        list.removeLast();
    for (int i = 0; i < Settings::kRecipientSlots && i < list.size(); ++i) {
        settings.setEMailAddressIndex(i + 1);
        settings.setToEMailAddress(list.at(i));
    }
}

QString BodyText(const SplitJob& job, Settings& settings) {
    return job.Body.isEmpty() ? settings.DefaultBody() : job.Body;
}
