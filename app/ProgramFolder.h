// Where the program lives and where its data files go by default.
#pragma once

#include <QDate>
#include <QString>

namespace vx {

// The folder that holds the program, in native form.
QString programFolder();

// Whether the folder is the user's own: the user owns it and may write there;
// for root, who owns every system folder, only inside its home folder.
bool isUsersFolder(const QString &folder);
bool isUsersFolder(const QString &folder, uint folderOwner, uint user, const QString &home);

// The folder that the defaults name: the program's own folder when it is the
// user's (a copy unpacked in the user's folders), else the user's Documents
// folder, created when missing, else the home folder. Never a system folder:
// an installed program's folder is not the user's, even where root may write.
QString defaultDataFolder(const QString &programFolder);

// The same choice from its facts; documents may be empty (none known).
QString defaultDataFolder(const QString &programFolder, uint folderOwner, uint user, const QString &home,
                          const QString &documents);

// A date in one of the patterns "yyyymmdd", "mmddyyyy", "ddmmyyyy" (yyyy the
// year, mm the month, dd the day, no separators).
QString formatDatePattern(const QDate &date, const QString &pattern);

} // namespace vx
