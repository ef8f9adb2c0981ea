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

std::unique_ptr<QSettings> openUserSettings();

} // namespace vx
