#include "UserSettings.h"

namespace vx {

std::unique_ptr<QSettings> openUserSettings()
{
    // An INI file in the user's configuration folder on every platform, so
    // that the file can be created private to its owner (it holds the password).
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, kAppName);
}

} // namespace vx
