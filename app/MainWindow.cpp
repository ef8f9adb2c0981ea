// The main window's load, its settings handlers and its closing.
#include "MainWindow.h"

#include "DataFile.h"
#include "Dialogs.h"
#include "FileCalls.h"
#include "Globals.h"
#include "HistoryDialog.h"
#include "PortChooser.h"
#include "PortNames.h"
#include "ProgramFolder.h"
#include "SettingsStore.h"
#include "DataFolderDialog.h"
#include "ChangePasswordDialog.h"
#include "TerminalLink.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimeEdit>

namespace {

void setStoredState(QCheckBox *box, int state)
{
    box->setCheckState(state == 1 ? Qt::Checked : state == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

} // namespace

int MainWindow::CheckValue(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
    }
}

MainWindow::MainWindow(std::unique_ptr<vx::SerialPort> port, vx::Dialogs &dialogs, vx::SettingsStore &settings,
                 const QString &programFolder, Clock now, QWidget *parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_settings(settings), m_programFolder(programFolder),
      m_vx(new vx::TerminalLink(std::move(port), this)), m_endProgram([] { QCoreApplication::quit(); }),
      m_now(now ? std::move(now) : [] { return QDateTime::currentDateTime(); }),
      m_fileCalls(&vx::systemFileCalls()),
      m_devicePresent(vx::devicePresent)
{
    m_vx->setObjectName(QStringLiteral("m_vx"));
    m_vx->setErrorHandler([this](const vx::Failure &failure) {
        m_dialogs.report(failure, m_stationQuery ? vx::appTitle() : QString());
    });
    // COMn is the device the user mapped it to in the window's own settings.
    m_vx->setPortResolver([this](int number) { return devicePath(number); });

    buildLayout();

    connect(cboCommPort, &QComboBox::currentIndexChanged, this, [this] { cboCommPort_Click(); });
    connect(cboDateFormat, &QComboBox::currentIndexChanged, this, [this] { cboDateFormat_Click(); });
    connect(chkClearData, &QCheckBox::stateChanged, this, [this] { chkClearData_Click(); });
    connect(chkUpdateTime, &QCheckBox::stateChanged, this, [this] { chkUpdateTime_Click(); });
    connect(chkPowerDown, &QCheckBox::stateChanged, this, [this] { chkPowerDown_Click(); });
    connect(chkSaveData, &QCheckBox::stateChanged, this, [this] { chkSaveData_Click(); });
    // A greyed box that the operator clicks becomes an ordinary one.
    for (QCheckBox *box : {chkClearData, chkUpdateTime, chkPowerDown, chkSaveData})
        connect(box, &QCheckBox::clicked, box, [box] { box->setTristate(false); });
    connect(optFilenameFormat, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            optFilenameFormat_Click(id);
    });
    connect(cmd, &QButtonGroup::idClicked, this, &MainWindow::cmd_Click);
    connect(cmdClear, &QButtonGroup::idClicked, this, &MainWindow::cmdClear_Click);
    connect(cmdDK90, &QButtonGroup::idClicked, this, &MainWindow::cmdDK90_Click);
    connect(cmdPath, &QPushButton::clicked, this, &MainWindow::cmdPath_Click);
    connect(cmdPortDevice, &QPushButton::clicked, this, &MainWindow::cmdPortDevice_Click);
    connect(cmdChangePassword, &QPushButton::clicked, this, &MainWindow::cmdChangePassword_Click);
    connect(cmdHistory, &QPushButton::clicked, this, &MainWindow::cmdHistory_Click);
    connect(cmdStop, &QPushButton::clicked, this, [this] { m_stopRequested = true; });

    Form_Load();
    setFixedSize(sizeHint());
    centreOnScreen();
}

// In the middle of the screen's free area (its top left corner kept on the
// screen when the window is the larger).
void MainWindow::centreOnScreen()
{
    const QRect free = screen()->availableGeometry();
    QRect place(QPoint(), size());
    place.moveCenter(free.center());
    move(std::max(place.left(), free.left()), std::max(place.top(), free.top()));
}

MainWindow::~MainWindow() = default;

QString MainWindow::dataFolder() const { return vx::defaultDataFolder(m_programFolder); }

void MainWindow::Form_Load()
{
    // The load writes several keys back: a store that fails is reported once
    // here, and again at every change the operator makes.
    const vx::SettingsStore::Batch loading(m_settings);

    // The tag tab carries no function: it cannot be selected.
    stab->setTabEnabled(kTabTags, false);
    stab->setTabToolTip(kTabTags, QStringLiteral("Not offered in the window: vx500ctl tags works with the tag list"));

    // The service buttons are there only under the master password.
    const bool service = g_password == vx::kMasterPassword;
    cmd->button(kCmdRecoverData)->setVisible(service);
    cmd->button(kCmdInvokeTest)->setVisible(service);

    // The stored port is selected and written back, as an operator's change
    // would be, so the key exists after the first start.
    {
        const QSignalBlocker quiet(cboCommPort);
        cboCommPort->setCurrentIndex(m_settings.readLenient(vx::key::Comport, 0, 0, 15));
    }
    cboCommPort_Click();

    const QDateTime now = m_now();
    dtpDate->setDate(now.date());
    dtpTime->setTime(now.time());

    stab->setCurrentIndex(kTabGeneral);
    setWindowTitle(QStringLiteral("%1 v%2.%3R%4")
                       .arg(vx::appTitle())
                       .arg(VX_VERSION_MAJOR)
                       .arg(VX_VERSION_MINOR)
                       .arg(VX_VERSION_PATCH));

    // The automation boxes: a state that differs from the unticked one runs
    // the box's handler, which writes the value just read back.
    setStoredState(chkClearData, m_settings.readStrict(vx::key::ClearData, 0, 0, 2));
    setStoredState(chkSaveData, m_settings.readStrict(vx::key::SaveData, 0, 0, 2));
    setStoredState(chkUpdateTime, m_settings.readStrict(vx::key::UpdateTime, 0, 0, 2));
    setStoredState(chkPowerDown, m_settings.readStrict(vx::key::PowerDown, 0, 0, 2));

    // The folder of the data files.
    const QString path = m_settings.read(vx::key::FilePath, QString());
    txtPath->setText(path.isEmpty() ? dataFolder() : path);

    m_filenameFormat = m_settings.readLenient(vx::key::FilenameFormat, kFixedFilename, kFixedFilename, kDateFilename);
    optFilenameFormat->button(m_filenameFormat)->setChecked(true);

    // The date pattern, written back and shown in the example like the port.
    {
        const QSignalBlocker quiet(cboDateFormat);
        cboDateFormat->setCurrentIndex(m_settings.readLenient(vx::key::DateFormat, 0, 0, 2));
    }
    cboDateFormat_Click();

    // The file controls follow "saving/appending"; its key is written back.
    chkSaveData_Click();
    m_busy = false;
}

void MainWindow::cboCommPort_Click()
{
    m_settings.write(vx::key::Comport, cboCommPort->currentIndex());
    showPort();
}

QString MainWindow::devicePath(int number)
{
    return vx::mappedCommPort(number, m_settings.read(vx::key::portMap(number), QString()),
                              m_settings.read(vx::key::simulator(number), QString()));
}

void MainWindow::setDevicePresent(DevicePresent present)
{
    m_devicePresent = std::move(present);
    showPort();
}

void MainWindow::setSwitchedOn(QWidget *control, bool on, const QString &whyOff)
{
    static const char *const kTipWhenOn = "vxToolTipWhenOn";
    if (!control->property(kTipWhenOn).isValid())
        control->setProperty(kTipWhenOn, control->toolTip());
    control->setEnabled(on);
    control->setToolTip(on ? control->property(kTipWhenOn).toString() : whyOff);
}

// While a command runs the command buttons are greyed and say why; the
// guard on m_busy stays underneath. Buttons off for another reason stay so.
void MainWindow::setBusy(bool busy)
{
    m_busy = busy;
    if (busy) {
        for (QButtonGroup *group : {cmd, cmdDK90})
            for (QAbstractButton *b : group->buttons())
                if (b->isEnabled()) {
                    setSwitchedOn(b, false, QStringLiteral("Busy: a command is running"));
                    m_greyed << b;
                }
    } else {
        for (QAbstractButton *b : std::exchange(m_greyed, {}))
            setSwitchedOn(b, true, {});
    }
}

void MainWindow::showPort()
{
    const int number = cboCommPort->currentIndex() + 1;
    const QString device = devicePath(number);
    QString text = vx::portLabel(cboCommPort->currentText(), device, m_devicePresent(device));
    // Without the user's mappings COMn means the platform's own port: say so.
    if (m_settings.isUnreadable())
        text += QStringLiteral(" (settings file unreadable)");
    lblPort->setText(text);
    lblPort->setToolTip(QStringLiteral("The device that %1 stands for on this computer").arg(cboCommPort->currentText()));
    cmdPortDevice->setToolTip(QStringLiteral("Choose the device that %1 stands for").arg(cboCommPort->currentText()));
    cmdPortDevice->setAccessibleDescription(cmdPortDevice->toolTip());
}

void MainWindow::showExample()
{
    lblExample->setText(QStringLiteral("ex. %1.txt")
                            .arg(vx::formatDatePattern(m_now().date(), cboDateFormat->currentText())));
}

void MainWindow::cboDateFormat_Click()
{
    showExample();
    m_settings.write(vx::key::DateFormat, cboDateFormat->currentIndex());
}

void MainWindow::writeCheck(QCheckBox *box, const vx::SettingKey &key) { m_settings.write(key, CheckValue(box)); }

void MainWindow::chkClearData_Click() { writeCheck(chkClearData, vx::key::ClearData); }
void MainWindow::chkUpdateTime_Click() { writeCheck(chkUpdateTime, vx::key::UpdateTime); }
void MainWindow::chkPowerDown_Click() { writeCheck(chkPowerDown, vx::key::PowerDown); }

void MainWindow::chkSaveData_Click()
{
    writeCheck(chkSaveData, vx::key::SaveData);
    const bool enabled = CheckValue(chkSaveData) != 0;
    for (QWidget *w : {static_cast<QWidget *>(Frame7), static_cast<QWidget *>(txtPath),
                       static_cast<QWidget *>(cmdPath), static_cast<QWidget *>(Frame8),
                       static_cast<QWidget *>(optFilenameFormat->button(kFixedFilename)),
                       static_cast<QWidget *>(optFilenameFormat->button(kDateFilename)),
                       static_cast<QWidget *>(txtFixedFilename), static_cast<QWidget *>(cboDateFormat)})
        setSwitchedOn(w, enabled,
                      QStringLiteral("Tick \u201csaving/appending\u201d to save every download in this folder and file"));
}

void MainWindow::optFilenameFormat_Click(int index)
{
    m_filenameFormat = static_cast<qint16>(index);
    m_settings.write(vx::key::FilenameFormat, index);
}

void MainWindow::cmdPath_Click()
{
    // A dialog opened during an exchange would hold the link's wait until it
    // closes, so the buttons that open one are ignored while one runs.
    if (m_busy)
        return;
    if (!m_folderDialog)
        m_folderDialog = std::make_unique<DataFolderDialog>(m_dialogs, this);
    m_folderDialog->Path(txtPath->text());
    m_folderDialog->exec();
    if (!m_folderDialog->IsOK())
        return;
    const QString chosen = m_folderDialog->Path();
    m_settings.write(vx::key::FilePath, chosen);
    txtPath->setText(chosen);
}

// The chooser stores the device under the key `vx500ctl ports --map` writes.
void MainWindow::cmdPortDevice_Click()
{
    if (m_busy)
        return;
    const int number = cboCommPort->currentIndex() + 1;
    PortChooser chooser(cboCommPort->currentText(), devicePath(number), vx::portRows(vx::systemPorts()), this);
    if (chooser.exec() == QDialog::Accepted)
        m_settings.write(vx::key::portMap(number), chooser.device());
    showPort();
}

void MainWindow::cmdChangePassword_Click()
{
    if (m_busy)
        return;
    ChangePasswordDialog dialog(m_settings, this);
    dialog.exec();
}

void MainWindow::cmdHistory_Click()
{
    vx::Ledger ledger;
    const auto entries = ledger.open() ? ledger.history() : std::nullopt;
    if (!entries) {
        m_dialogs.report(ledger.failure());
        return;
    }
    HistoryDialog dialog(*entries, m_settings, m_now().date(), this);
    dialog.exec();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    Form_Unload();
}

// Ends the program: a device wait in progress returns at once, the command
// that waited unwinds and closes its file, and the event loop ends.
void MainWindow::Form_Unload()
{
    m_unloading = true;
    m_vx->abort();
    if (m_endProgram)
        m_endProgram();
}
