// Where the user's settings live and whether what is there can be read as
// settings: the one answer for the monitor, the command-line tool and the
// simulator. The keys are in SettingKeys.h.
#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace vx {

inline const QString kAppName = QStringLiteral("VX500-500A Monitor");

constexpr int kDefaultHistoryDays = 90;
// A stored number of days, or the default when it is missing or not one.
int historyDays(const QString &stored);

// Where the settings live: an INI file in the user's configuration folder
// on Linux; on Windows the registry key HKEY_CURRENT_USER\Software\<kAppName>,
// or the INI file as on Linux when the environment has VX500_SETTINGS=ini
// (a program run from a stick, the test suites).
bool settingsInRegistry();
QString userSettingsLocation();
QSettings::Format userSettingsFormat();

// Ours holds a dozen short lines; a file far beyond that is something else
// and is refused unread.
constexpr qint64 kMaxSettingsBytes = 1 << 20;

// Why a settings file cannot be read as settings. A settings file is a plain
// file of at most kMaxSettingsBytes of UTF-8 text whose lines are blank,
// comments (";", "#"), sections ("[Misc]") or settings ("Key=value").
struct SettingsFileCheck {
    enum Problem { None, LinkToNothing, NotPlainFile, LockNotPlainFile, TooLarge, CannotOpen, Binary, NotUtf8, NotASetting };
    Problem problem = None;
    qint64 size = 0;       // TooLarge: the file's size
    int line = 0;          // NotASetting: the line's number
    QString systemText{};  // CannotOpen: the system's words
    bool ok() const { return problem == None; }
};
// A missing file (and the registry) pass. Its lock file ("<file>.lock",
// which the settings take while they write) must be a plain file or
// missing: anything else would hold every write for ever.
SettingsFileCheck checkSettingsFile(const QString &path);

// The file holds the program password: whichever program creates it makes
// it readable by its owner only, before anything is written into it. A name
// that is taken (a link, even one to nothing) is not created.
void createPrivateSettingsFile(const QString &path);

// The user's settings, created private when missing.
std::unique_ptr<QSettings> openUserSettings();

} // namespace vx
