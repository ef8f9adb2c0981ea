// Saves pictures of the monitor's windows into a folder, for the
// documentation: each tab of the main window, the dialogs, and the general
// tab after a download of the demonstration's records. The window runs
// against the simulated terminal in virtual time, with private settings.
#include "AppTest.h"
#include "RecordGenerator.h"
#include "HistoryDialog.h"
#include "DataFolderDialog.h"
#include "PortChooser.h"
#include "PasswordDialog.h"

#include <cstdio>

using namespace vx;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // A style that underlines the access keys without Alt held.
    QApplication::setStyle(QStringLiteral("Fusion"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: vx500-screenshots FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    bool ok = true;
    auto save = [&](QWidget *w, const QString &name) {
        w->show();
        QApplication::processEvents();
        const QString file = QDir(folder).filePath(name + QStringLiteral(".png"));
        const bool saved = w->grab().save(file);
        std::fprintf(saved ? stdout : stderr, saved ? "%s\n" : "cannot write %s\n", qPrintable(file));
        ok &= saved;
    };

    test::TerminalWindow t;
    // A folder of a steady name, so that the pictures stay the same from run
    // to run; it goes when the pictures are taken.
    QDir scratch(QDir::temp().filePath(QStringLiteral("vx500-screenshots")));
    scratch.removeRecursively();
    const auto cleanUp = qScopeGuard([&scratch] { scratch.removeRecursively(); });
    const QString data = scratch.filePath(QStringLiteral("VX data"));
    for (const char *sub : {"archive", "2024"})
        QDir().mkpath(QDir(data).filePath(QLatin1String(sub)));
    for (const SettingKey &ticked : {key::SaveData, key::ClearData, key::UpdateTime, key::PowerDown})
        t.world.store->write(ticked, 1);
    t.world.store->write(key::FilePath, data);
    t.model.setRecords(sim::RecordGenerator{}.generate(300));
    t.open(QStringLiteral("/opt/vx500")); // with the settings above

    PasswordDialog gate(t.world.dialogs, t.password);
    save(&gate, QStringLiteral("password"));
    auto *tabs = t.get<QTabWidget>(QStringLiteral("tabs"));
    const char *names[] = {"general", "station", "misc"};
    for (int i : {MainWindow::kTabGeneral, MainWindow::kTabStation, MainWindow::kTabMisc}) {
        tabs->setCurrentIndex(i);
        if (i == MainWindow::kTabStation) { // the reader station's answers
            t.press("stationVersionButton");
            t.press("stationInformationButton");
        }
        save(t.w.get(), QStringLiteral("tab-%1").arg(QLatin1String(names[i])));
    }
    // After "Download Data" with the automation ticked: a download that the
    // line cut short, then the one that completes it.
    tabs->setCurrentIndex(MainWindow::kTabGeneral);
    t.model.setFaults({.silentFromRecord = 120});
    t.port->runAt(t.port->now() + 1500, [&] { save(t.w.get(), QStringLiteral("download-progress")); });
    t.press("downloadButton");
    t.model.setFaults({});
    t.port->advance(60'000);
    t.press("downloadButton");
    save(t.w.get(), QStringLiteral("download-finished"));
    const QSize opening = t.w->size(); // its edges pulled out: the message box takes the room
    t.w->resize(opening + QSize(420, 260));
    save(t.w.get(), QStringLiteral("download-finished-enlarged"));
    t.w->resize(opening);
    // Three weeks of two stations before, as the demo's ledger would hold them.
    Ledger ledger;
    if (ledger.open() && ledger.begin()) {
        for (int daysAgo = 1; daysAgo <= 24; ++daysAgo) {
            for (int machine : {0, 7}) {
                if ((daysAgo + machine) % 6 == 0)
                    continue; // a day off
                const auto id = ledger.addDownload({t.pcNow().addDays(-daysAgo).addSecs(machine * 600), "vx500ctl watch",
                                                    machine ? "COM2" : "COM1", machine ? "/dev/ttyUSB1" : "/dev/ttyUSB0", machine});
                const int records = 60 + (daysAgo * 37 + machine * 11) % 140;
                // Now and then a download fails, is stopped, finds the port
                // in use, or is not cleared.
                const int kind = (daysAgo + machine) % 9 == 0 ? 1 : daysAgo % 11 == 3 ? 2 : daysAgo == 5 ? 3 : daysAgo % 7 == 2 ? 4 : 0;
                static const std::pair<Ending, const char *> endings[] = {
                    {Ending::Complete, "cleared"},
                    {Ending::Failed, "failed: ErrCode: -1, VX_ERR_TIMEOUT; the terminal keeps its records"},
                    {Ending::Stopped, "stopped; the terminal keeps its records"},
                    {Ending::NotStarted, "not started: /dev/ttyUSB0: in use by another program (picocom, pid 4242)"},
                    {Ending::Complete, "not cleared: ErrCode: -3, VX_ERR_ACK_NOT_GET"}};
                const auto file = ledger.fileId({QStringLiteral("/home/op/vx500/station%1.txt").arg(machine ? 2 : 1), 1, machine});
                if (kind != 3) {
                    ledger.startAppend({*id, file.value_or(0), 0, records, records, 0});
                    ledger.appendDone(*id, false);
                }
                ledger.finish(*id, false, kind == 0, endings[kind].first, endings[kind].second, false);
            }
        }
        ledger.commit();
    }
    const auto entries = ledger.isOpen() ? ledger.history() : std::nullopt;
    if (!entries) {
        std::fprintf(stderr, "%s\n", qPrintable(describe(ledger.failure())));
        return 1;
    }
    HistoryDialog history(*entries, *t.world.store, t.world.dialogs, t.pcNow().date());
    save(&history, QStringLiteral("history"));
    // The same narrowed to one station's last 7 days, a download selected.
    auto *machines = test::child<QComboBox>(&history, QStringLiteral("machineBox"));
    machines->setCurrentIndex(machines->findData(7));
    test::child<QComboBox>(&history, QStringLiteral("periodBox"))->setCurrentIndex(2);
    test::child<QTableView>(&history, QStringLiteral("historyTable"))->selectRow(1);
    save(&history, QStringLiteral("history-filtered"));
    DataFolderDialog chooser(t.world.dialogs);
    chooser.setFolder(data);
    save(&chooser, QStringLiteral("folder-chooser"));
    const QString usb = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3BQZ-if00-port0");
    PortChooser portChooser(QStringLiteral("COM1"), usb,
                            portRows({{"/dev/ttyS0", "", "", "", {}}, {"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A10K3BQZ", {usb}}}));
    save(&portChooser, QStringLiteral("port-chooser"));
    return ok ? 0 : 1;
}
