// The main window on a fake port in virtual time, with the simulated
// terminal (or a scripted far end) on the line and the PC clock on the
// port's clock.
#pragma once

#include "AppTest.h"

#include "FakePort.h"
#include "Globals.h"
#include "ModelDevice.h"
#include "TerminalModel.h"
#include "frmMain.h"
#include "ucVX300_500.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace vx::test {

struct TerminalWindow {
    AppWorld world;
    sim::TerminalModel model;
    ModelDevice device{model};
    ScriptDevice script;
    FakePort *port = nullptr;
    std::unique_ptr<frmMain> w;
    int endCalls = 0;

    explicit TerminalWindow(const QString &password = QStringLiteral("5813"))
    {
        g_sPassword = password;
        model.setSelfTestMs(0);
        auto owned = std::make_unique<FakePort>(&device);
        port = owned.get();
        port->setProcessEvents(true);
        w = std::make_unique<frmMain>(std::move(owned), world.dialogs, *world.store, world.program.path());
        w->setClock([this] { return pcNow(); });
        w->setEndProgram([this] { ++endCalls; });
    }
    QDateTime pcNow() const { return device.pcNow(*port); }
    // Lets the last bytes the host sent reach the far end.
    void settle() { port->advance(50); }
    // The far end plays the script from now on.
    void useScript() { port->setDevice(&script); }
    void press(int index) { arrayButton(w.get(), "cmd", index)->click(); }
    void station(int index) { arrayButton(w.get(), "cmdDK90", index)->click(); }
    template <typename T>
    T *get(const char *name) const { return child<T>(w.get(), QLatin1String(name)); }
    void tick(const char *box) { get<QCheckBox>(box)->click(); }
    // The lines of a message box.
    QStringList lines(const char *box = "txt") const
    {
        return get<QPlainTextEdit>(box)->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QString lastLine(const char *box = "txt") const { return lines(box).value(lines(box).size() - 1); }
    // The busy pointer is on the main window (and only there).
    bool busyPointer() const { return w->testAttribute(Qt::WA_SetCursor) && w->cursor().shape() == Qt::WaitCursor; }
    // Clicks the buttons that open a dialog of their own ("Change Password..."
    // and the folder chooser "..."); returns the dialogs that opened (each is
    // closed at once, so that a fault cannot hang the test).
    QStringList clickDialogButtons()
    {
        QStringList opened;
        for (const char *name : {"cmdChangePassword", "cmdPath"}) {
            QTimer::singleShot(0, qApp, [&opened] {
                if (QWidget *modal = QApplication::activeModalWidget()) {
                    opened << QString::fromLatin1(modal->metaObject()->className());
                    modal->close();
                }
            });
            get<QPushButton>(name)->click();
            QApplication::processEvents(); // the watch runs even when nothing opened
        }
        return opened;
    }
    // Command letters the host sent (the fourth byte of each ENQ frame).
    QByteArray commandsSent() const
    {
        QByteArray letters;
        const QByteArray all = port->writtenBytes();
        for (qsizetype i = all.indexOf('\x05'); i >= 0 && i + 3 < all.size(); i = all.indexOf('\x05', i + 1))
            letters += all[i + 3];
        return letters;
    }
};

} // namespace vx::test
