#include "mail/modRASConnection.h"

#include "core/ResStrings.h"
#include "mail/ComponentError.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

QByteArray joined(const QByteArray& folder, const char* name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QByteArray findIn(const QByteArray& folder, const QByteArray& name, dev_t device) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.constData()));
    if (!dir)
        return {}; // unreadable: the rest of the tree is still worth searching
    std::vector<QByteArray> subfolders;
    while (const dirent* e = readdir(dir.get())) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        const QByteArray path = joined(folder, e->d_name);
        struct stat st {};
        if (lstat(path.constData(), &st) != 0)
            continue;
        if (S_ISREG(st.st_mode) && name == e->d_name)
            return path;
        if (S_ISDIR(st.st_mode) && st.st_dev == device)
            subfolders.push_back(path);
    }
    dir.reset();
    for (const QByteArray& sub : subfolders) {
        QByteArray found = findIn(sub, name, device);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

// Runs one step whose failure is to be ignored; says whether it went through.
template <typename F> bool ignoringFailure(F&& step) {
    try {
        step();
        return true;
    } catch (const ComponentError&) {
        return false;
    }
}

} // namespace

QString FindFileInTree(const QString& folder, const QString& fileName) {
    const QByteArray start = QFile::encodeName(folder);
    struct stat st {};
    if (lstat(start.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {};
    return QFile::decodeName(findIn(start, QFile::encodeName(fileName), st.st_dev));
}

QString ConnectDialUp(QString& phoneBook, const QString& entryName, mRAS& ras, Shell& shell,
                      const QString& searchRoot) {
    // The five steps of the first attempt each go on after a failure; any failure means a second attempt.
    bool up = ignoringFailure([&] { ras.setPhoneBook(phoneBook); });
    up &= ignoringFailure([&] { ras.EntryName = entryName; });
    up &= ignoringFailure([&] { ras.GetEntry(); });
    up &= ignoringFailure([&] { ras.Blocking = true; });
    up &= ignoringFailure([&] { ras.Connect(); });
    if (up)
        return phoneBook;

    if (phoneBook.isEmpty())
        phoneBook = FindFileInTree(searchRoot, QString::fromUtf16(DefaultPhoneBookName));
    ras.setPhoneBook(phoneBook);
    if (ras.PhoneBook().isEmpty())
        return phoneBook;
    if (!QFileInfo(phoneBook).isFile()) {
        shell.MsgBox(
            {LoadResString(1061) + QStringLiteral("\r\n'") + phoneBook + QStringLiteral("' \r\n") + LoadResString(1062),
             MsgButtons::Ok,
             MsgIcon::Critical,
             0,
             {}});
        return phoneBook;
    }
    ras.GetEntry();
    ras.Connect();
    return phoneBook;
}

void DisconnectDialUp(mRAS& ras) {
    ras.Disconnect();
}
