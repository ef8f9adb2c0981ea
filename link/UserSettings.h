// The per-user settings file shared by the monitor, the command-line tool
// and the simulator.
#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace vx {

inline const QString kAppName = QStringLiteral("VX500-500A Monitor");

// The port the monitor last used: a list position, 0 for COM1 to 15 for COM16.
inline const QString kStoredPortKey = QStringLiteral("Connect/Comport");

// The download history: days it is kept (1-3650, default 90), and whether
// the ledger keeps the records of downloads that were cleared ("1").
inline const QString kHistoryDaysKey = QStringLiteral("Ledger/HistoryDays");
inline const QString kKeepRecordsKey = QStringLiteral("Ledger/KeepRecords");
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

std::unique_ptr<QSettings> openUserSettings();

} // namespace vx
