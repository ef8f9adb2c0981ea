// Every key of the user's settings, in one place: the monitor, the tool and
// the simulator read and write them by these names.
#pragma once

#include <QString>

namespace vx {

struct SettingKey {
    QString path; // "Section/Key"
};

namespace key {
inline const SettingKey Password{QStringLiteral("Security/Password")};
// The port the monitor last used: a list position, 0 for COM1 to 15 for COM16.
inline const SettingKey Comport{QStringLiteral("Connect/Comport")};
inline const SettingKey ClearData{QStringLiteral("Misc/ClearData")};
inline const SettingKey SaveData{QStringLiteral("Misc/SaveData")};
inline const SettingKey UpdateTime{QStringLiteral("Misc/UpdateTime")};
inline const SettingKey PowerDown{QStringLiteral("Misc/PowerDown")};
inline const SettingKey FilePath{QStringLiteral("Misc/FilePath")};
inline const SettingKey FilenameFormat{QStringLiteral("Misc/FilenameFormat")};
inline const SettingKey DateFormat{QStringLiteral("Misc/DateFormat")};
// Written only where the first-launch marker cannot be deleted.
inline const SettingKey FirstLaunchShown{QStringLiteral("Misc/FirstLaunchShown")};
inline const SettingKey DownloadFile{QStringLiteral("Download/File")};
// The download history: days it is kept (1-3650, default 90), and whether
// the ledger keeps the records of downloads that were cleared ("1").
inline const SettingKey HistoryDays{QStringLiteral("Ledger/HistoryDays")};
inline const SettingKey KeepRecords{QStringLiteral("Ledger/KeepRecords")};
// "Ports/COM3": the device a user maps COM3 to.
inline SettingKey portMap(int number) { return {QStringLiteral("Ports/COM%1").arg(number)}; }
// "Simulator/COM3": the process id of the simulator that mapped COM3 to its
// pseudo-terminal (vx500-sim --register).
inline SettingKey simulator(int number) { return {QStringLiteral("Simulator/COM%1").arg(number)}; }
} // namespace key

} // namespace vx
