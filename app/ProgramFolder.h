// Where the program lives and where its data files go by default.
#pragma once

#include <QDate>
#include <QString>

namespace vx {

// The folder that holds the program, in native form.
QString programFolder();

// Whether the program may create files in this folder.
bool isWritableFolder(const QString &folder);

// The folder that the defaults name: the program's own folder, or the user's
// Documents folder when the program's folder is not writable (an installed
// program).
QString defaultDataFolder(const QString &programFolder);

// folder, the platform's separator (unless the folder ends in one), name.
QString joinPath(const QString &folder, const QString &name);

// A date in one of the patterns "yyyymmdd", "mmddyyyy", "ddmmyyyy" (yyyy the
// year, mm the month, dd the day, no separators).
QString formatDatePattern(const QDate &date, const QString &pattern);

} // namespace vx
