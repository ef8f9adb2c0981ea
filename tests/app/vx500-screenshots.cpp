// Saves pictures of the monitor's windows into a folder, for the
// documentation: each tab of the main window, the dialogs, and the general
// tab after a download of the demonstration's records. The window runs
// against the simulated terminal in virtual time, with private settings.
#include "FakePort.h"
#include "Globals.h"
#include "ModelDevice.h"
#include "RecordGenerator.h"
#include "ScriptedDialogs.h"
#include "SettingsStore.h"
#include "frmFilePath.h"
#include "frmMain.h"
#include "frmPassword.h"

#include <QtWidgets>
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
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
    test::ScriptedDialogs dialogs;
    SettingsStore settings(dialogs);
    // A folder of a steady name, so that the pictures stay the same from run
    // to run; it goes when the pictures are taken.
    QDir scratch(QDir::temp().filePath(QStringLiteral("vx500-screenshots")));
    scratch.removeRecursively();
    const auto cleanUp = qScopeGuard([&scratch] { scratch.removeRecursively(); });
    const QString data = scratch.filePath(QStringLiteral("VX data"));
    QDir().mkpath(data);
    settings.write(key::SaveData, 1);
    settings.write(key::ClearData, 1);
    settings.write(key::UpdateTime, 1);
    settings.write(key::PowerDown, 1);
    settings.write(key::FilePath, data);
    g_sPassword = kPresetPassword;

    bool ok = true;
    {
        frmPassword gate(dialogs);
        ok &= save(&gate, folder, QStringLiteral("password"));
    }

    sim::TerminalModel model;
    model.setRecords(sim::RecordGenerator{}.generate(300));
    test::ModelDevice device(model);
    auto *port = new test::FakePort(&device);
    port->setProcessEvents(true);
    frmMain window(std::unique_ptr<SerialPort>(port), dialogs, settings, QStringLiteral("/opt/vx500"));
    window.setEndProgram([] {});
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("stab"));
    const char *names[] = {"general", "station", "misc"};
    for (int i : {frmMain::kTabGeneral, frmMain::kTabStation, frmMain::kTabMisc}) {
        tabs->setCurrentIndex(i);
        if (i == frmMain::kTabStation) { // the reader station's answers
            auto *station = window.findChild<QButtonGroup *>(QStringLiteral("cmdDK90"));
            station->button(frmMain::kStationVersion)->click();
            station->button(frmMain::kStationInformation)->click();
        }
        ok &= save(&window, folder, QStringLiteral("tab-%1").arg(QLatin1String(names[i])));
    }

    // After "Download Data" with the automation ticked.
    tabs->setCurrentIndex(frmMain::kTabGeneral);
    window.findChild<QButtonGroup *>(QStringLiteral("cmd"))->button(frmMain::kCmdDownload)->click();
    ok &= save(&window, folder, QStringLiteral("download-finished"));

    QDir().mkpath(QDir(data).filePath(QStringLiteral("archive")));
    QDir().mkpath(QDir(data).filePath(QStringLiteral("2024")));
    frmFilePath chooser(dialogs);
    chooser.Path(data);
    ok &= save(&chooser, folder, QStringLiteral("folder-chooser"));
    return ok ? 0 : 1;
}
