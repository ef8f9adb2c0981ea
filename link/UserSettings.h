// The per-user settings file shared by the monitor, the command-line tool
// and the simulator.
#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace vx {

inline const QString kAppName = QStringLiteral("VX500-500A Monitor");

std::unique_ptr<QSettings> openUserSettings();

} // namespace vx
