#pragma once

#include "mail/mRAS.h"
#include "shell/Shell.h"

#include <QString>

// The phonebook file a failed first dial searches for.
inline constexpr char16_t DefaultPhoneBookName[] = u"rasphone.pbk";

// Dials entryName. When the first attempt fails and no phonebook is configured, searches searchRoot for the
// default phonebook and dials again with it. Returns the phonebook path in use at the end (and leaves it in
// phoneBook); an error of the second attempt is thrown to the caller.
QString ConnectDialUp(QString& phoneBook, const QString& entryName, mRAS& ras, Shell& shell,
                      const QString& searchRoot = QStringLiteral("/"));

void DisconnectDialUp(mRAS& ras);

// Depth first, a folder's files before its subfolders, names compared exactly. Never follows a symbolic link,
// stays on the file system it starts on, and skips folders it cannot read. Empty when nothing was found.
QString FindFileInTree(const QString& folder, const QString& fileName);
