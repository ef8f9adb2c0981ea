// Saves pictures of the monitor's windows into a folder, for the
// documentation: each tab of the main window and the dialogs. The window runs
// against the simulated terminal in virtual time, with private settings.
#include "FakePort.h"
#include "Globals.h"
#include "ScriptedDialogs.h"
#include "SettingsStore.h"
#include "frmFilePath.h"
#include "frmMain.h"
#include "frmPassword.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

using namespace vx;

namespace {

bool save(QWidget *w, const QString &folder, const QString &name)
{
    w->show();
    QApplication::processEvents();
    const QString file = QDir(folder).filePath(name + QStringLiteral(".png"));
    if (!w->grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vx500-screenshots FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    QTemporaryDir config;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
    test::ScriptedDialogs dialogs;
    SettingsStore settings(dialogs);
    settings.write(key::SaveData, 1);
    settings.write(key::FilePath, QStringLiteral("/home/operator/VX data"));
    g_sPassword = kMasterPassword;

    bool ok = true;
    {
        frmPassword gate(dialogs);
        ok &= save(&gate, folder, QStringLiteral("password"));
    }

    test::FakePort *port = new test::FakePort;
    frmMain window(std::unique_ptr<SerialPort>(port), dialogs, settings, QStringLiteral("/opt/vx500"));
    window.setEndProgram([] {});
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("stab"));
    const char *names[] = {"general", "station", "misc"};
    for (int i = 0; i < 3; ++i) {
        tabs->setCurrentIndex(i);
        ok &= save(&window, folder, QStringLiteral("tab-%1").arg(QLatin1String(names[i])));
    }

    QDir().mkpath(QStringLiteral("/tmp/vx-shots/VX data/2024"));
    frmFilePath chooser(dialogs);
    chooser.Path(QStringLiteral("/tmp/vx-shots/VX data"));
    ok &= save(&chooser, folder, QStringLiteral("folder-chooser"));
    return ok ? 0 : 1;
}
