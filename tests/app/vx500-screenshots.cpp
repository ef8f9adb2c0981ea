// Saves pictures of the monitor's windows into a folder, for the
// documentation: each tab of the main window, the dialogs, and the general
// tab after a download of the demonstration's records. The window runs
// against the simulated terminal in virtual time, with private settings.
#include "AppTest.h"
#include "RecordGenerator.h"
#include "frmFilePath.h"
#include "frmPassword.h"

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

    test::TerminalWindow t;
    // A folder of a steady name, so that the pictures stay the same from run
    // to run; it goes when the pictures are taken.
    QDir scratch(QDir::temp().filePath(QStringLiteral("vx500-screenshots")));
    scratch.removeRecursively();
    const auto cleanUp = qScopeGuard([&scratch] { scratch.removeRecursively(); });
    const QString data = scratch.filePath(QStringLiteral("VX data"));
    QDir().mkpath(data);
    for (const SettingKey &ticked : {key::SaveData, key::ClearData, key::UpdateTime, key::PowerDown})
        t.world.store->write(ticked, 1);
    t.world.store->write(key::FilePath, data);
    t.model.setRecords(sim::RecordGenerator{}.generate(300));
    t.open(QStringLiteral("/opt/vx500")); // with the settings above

    frmPassword gate(t.world.dialogs);
    bool ok = save(&gate, folder, QStringLiteral("password"));
    auto *tabs = t.get<QTabWidget>(QStringLiteral("stab"));
    const char *names[] = {"general", "station", "misc"};
    for (int i : {frmMain::kTabGeneral, frmMain::kTabStation, frmMain::kTabMisc}) {
        tabs->setCurrentIndex(i);
        if (i == frmMain::kTabStation) { // the reader station's answers
            t.station(frmMain::kStationVersion);
            t.station(frmMain::kStationInformation);
        }
        ok &= save(t.w.get(), folder, QStringLiteral("tab-%1").arg(QLatin1String(names[i])));
    }

    // After "Download Data" with the automation ticked.
    tabs->setCurrentIndex(frmMain::kTabGeneral);
    t.press(frmMain::kCmdDownload);
    ok &= save(t.w.get(), folder, QStringLiteral("download-finished"));

    QDir().mkpath(QDir(data).filePath(QStringLiteral("archive")));
    QDir().mkpath(QDir(data).filePath(QStringLiteral("2024")));
    frmFilePath chooser(t.world.dialogs);
    chooser.Path(data);
    ok &= save(&chooser, folder, QStringLiteral("folder-chooser"));
    return ok ? 0 : 1;
}
