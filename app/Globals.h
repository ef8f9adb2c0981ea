// State shared by the program's windows for the whole run.
#pragma once

#include <QString>

// The password in force for the run: loaded at start-up, replaced by the
// entry the gate accepts and by a changed password.
extern QString g_password;

namespace vx {
inline const QString kPresetPassword = QStringLiteral("5813");
inline const QString kMasterPassword = QStringLiteral("QORN");
} // namespace vx
