// main() for GoogleTest programs: a Qt application object with the
// programs' translations and a private, empty settings folder, so no test
// ever reads or writes the user's own.
#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "download/Translations.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("XDG_STATE_HOME", (config.path() + "/state").toLocal8Bit());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
    QCoreApplication app(argc, argv);
    vx::installTranslations();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
