// The main window's load, its settings handlers and its closing.
#include "MainWindow.h"

#include "terminal/DataFile.h"
#include "Dialogs.h"
#include "download/FileCalls.h"
#include "Password.h"
#include "HistoryDialog.h"
#include "SwitchedOn.h"
#include "PortChooser.h"
#include "portnames/PortNames.h"
#include "ProgramFolder.h"
#include "SettingsStore.h"
#include "DataFolderDialog.h"
#include "ChangePasswordDialog.h"
#include "terminal/TerminalLink.h"

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
#include <QStyle>
#include <QTabWidget>
#include <QTimeEdit>

namespace {

void setStoredState(QCheckBox *box, int state)
{
    box->setCheckState(state == 1 ? Qt::Checked : state == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

} // namespace

int MainWindow::checkValue(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
    }
}

MainWindow::MainWindow(std::unique_ptr<vx::SerialPort> port, vx::Dialogs &dialogs, vx::SettingsStore &settings,
                       vx::Password &password, const QString &programFolder, Clock now, QWidget *parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_settings(settings), m_password(password),
      m_programFolder(programFolder), m_link(new vx::TerminalLink(std::move(port), this)),
      m_endProgram([] { QCoreApplication::quit(); }),
      m_now(now ? std::move(now) : [] { return QDateTime::currentDateTime(); }),
      m_fileCalls(&vx::systemFileCalls()),
      m_devicePresent(vx::devicePresent)
{
    m_link->setObjectName(QStringLiteral("link"));
    // The link's failures are presented as they happen, in the exchange.
    m_link->setErrorHandler([this](const vx::Failure &failure) { presentFailure(failure); });
    // COMn is the device the user mapped it to in the window's own settings.
    m_link->setPortResolver([this](int number) { return devicePath(number); });

    buildLayout();
    // The buttons that open a dialog are off while a command runs, like those that start one.
    for (QAbstractButton *button : {m_folderButton, m_portDeviceButton, m_changePasswordButton, m_historyButton})
        m_guard.guard(button);
    m_guard.setWhenIdle([this] { showFileControls(); });

    connect(m_portBox, &QComboBox::currentIndexChanged, this, &MainWindow::choosePort);
    connect(m_dateFormatBox, &QComboBox::currentIndexChanged, this, &MainWindow::chooseDateFormat);
    const std::pair<QCheckBox *, const vx::SettingKey *> automation[] = {
        {m_clearDataBox, &vx::key::ClearData}, {m_updateTimeBox, &vx::key::UpdateTime}, {m_powerDownBox, &vx::key::PowerDown}};
    for (const auto &[box, key] : automation)
        connect(box, &QCheckBox::stateChanged, this, [this, box = box, key = key] { storeCheck(box, *key); });
    connect(m_saveDataBox, &QCheckBox::stateChanged, this, &MainWindow::chooseSaving);
    // A greyed box that the operator clicks becomes an ordinary one.
    for (QCheckBox *box : {m_clearDataBox, m_updateTimeBox, m_powerDownBox, m_saveDataBox})
        connect(box, &QCheckBox::clicked, box, [box] { box->setTristate(false); });
    connect(m_fileNameFormatGroup, &QButtonGroup::idToggled, this, [this](int format, bool on) {
        if (on)
            chooseFileNameFormat(format);
    });
    connect(m_folderButton, &QPushButton::clicked, this, &MainWindow::chooseFolder);
    connect(m_portDeviceButton, &QPushButton::clicked, this, &MainWindow::choosePortDevice);
    connect(m_changePasswordButton, &QPushButton::clicked, this, &MainWindow::changePassword);
    connect(m_historyButton, &QPushButton::clicked, this, &MainWindow::showHistory);
    connect(m_stopButton, &QPushButton::clicked, this, [this] { m_guard.requestStop(); });

    loadSettings();
    // The window's own size to begin with, as much of it as the screen's free
    // area holds (a small screen, a large scale); its edges make it larger or
    // smaller down to what its controls need, the message boxes taking the room.
    setMinimumSize(minimumSizeHint());
    const QSize free = screen()->availableGeometry().size() - QSize(0, style()->pixelMetric(QStyle::PM_TitleBarHeight));
    resize(sizeHint().boundedTo(free).expandedTo(minimumSize()));
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

void MainWindow::loadSettings()
{
    // The load writes several keys back: a store that fails is reported once
    // here, and again at every change the operator makes.
    const vx::SettingsStore::Batch loading(m_settings);

    // The tag tab carries no function: it cannot be selected.
    m_tabs->setTabEnabled(kTabTags, false);
    m_tabs->setTabToolTip(kTabTags, tr("Not offered in the window: vx500ctl tags works with the tag list"));

    // The service buttons are there only under the master password.
    const auto actions = terminalActions();
    for (qsizetype i = 0; i < m_actionButtons.size(); ++i)
        if (actions[i].serviceOnly)
            m_actionButtons[i]->setVisible(m_password.isMaster());

    // The stored port is selected and written back, as an operator's change
    // would be, so the key exists after the first start.
    {
        const QSignalBlocker quiet(m_portBox);
        m_portBox->setCurrentIndex(m_settings.readLenient(vx::key::Comport, 0, 0, 15));
    }
    choosePort();

    const QDateTime now = m_now();
    m_dateEdit->setDate(now.date());
    m_timeEdit->setTime(now.time());

    m_tabs->setCurrentIndex(kTabGeneral);
    setWindowTitle(QStringLiteral("%1 v%2.%3R%4")
                       .arg(vx::appTitle())
                       .arg(VX_VERSION_MAJOR)
                       .arg(VX_VERSION_MINOR)
                       .arg(VX_VERSION_PATCH));

    // The automation boxes: a state that differs from the unticked one runs
    // the box's handler, which writes the value just read back.
    setStoredState(m_clearDataBox, m_settings.readStrict(vx::key::ClearData, 0, 0, 2));
    setStoredState(m_saveDataBox, m_settings.readStrict(vx::key::SaveData, 0, 0, 2));
    setStoredState(m_updateTimeBox, m_settings.readStrict(vx::key::UpdateTime, 0, 0, 2));
    setStoredState(m_powerDownBox, m_settings.readStrict(vx::key::PowerDown, 0, 0, 2));

    // The folder of the data files.
    const QString path = m_settings.read(vx::key::FilePath, QString());
    m_folderEdit->setText(path.isEmpty() ? dataFolder() : path);

    m_fileNameFormat = m_settings.readLenient(vx::key::FilenameFormat, kFixedFileName, kFixedFileName, kDateFileName);
    m_fileNameFormatGroup->button(m_fileNameFormat)->setChecked(true);

    // The date pattern, written back and shown in the example like the port.
    {
        const QSignalBlocker quiet(m_dateFormatBox);
        m_dateFormatBox->setCurrentIndex(m_settings.readLenient(vx::key::DateFormat, 0, 0, 2));
    }
    chooseDateFormat();

    // The file controls follow "saving/appending"; its key is written back.
    chooseSaving();
}

void MainWindow::choosePort()
{
    m_settings.write(vx::key::Comport, m_portBox->currentIndex());
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

void MainWindow::showPort()
{
    const int number = m_portBox->currentIndex() + 1;
    const QString device = devicePath(number);
    QString text = vx::portLabel(m_portBox->currentText(), device, m_devicePresent(device));
    // Without the user's mappings COMn means the platform's own port: say so.
    if (m_settings.isUnreadable())
        text += tr(" (settings file unreadable)");
    m_portLabel->setText(text);
    const QString standsFor = vx::deviceNoun();
    m_portLabel->setToolTip(tr("The %1 that %2 stands for on this computer").arg(standsFor, m_portBox->currentText()));
    const QString choose = tr("Choose the %1 that %2 stands for").arg(standsFor, m_portBox->currentText());
    vx::setToolTipWhenOn(m_portDeviceButton, choose); // greyed while a command runs
    m_portDeviceButton->setAccessibleDescription(choose);
}

void MainWindow::showExample()
{
    m_exampleLabel->setText(tr("ex. %1.txt")
                            .arg(vx::formatDatePattern(m_now().date(), m_dateFormatBox->currentText())));
}

void MainWindow::chooseDateFormat()
{
    showExample();
    m_settings.write(vx::key::DateFormat, m_dateFormatBox->currentIndex());
}

void MainWindow::storeCheck(QCheckBox *box, const vx::SettingKey &key) { m_settings.write(key, checkValue(box)); }

// "saving/appending": stored, and the file controls follow it.
void MainWindow::chooseSaving()
{
    storeCheck(m_saveDataBox, vx::key::SaveData);
    showFileControls();
}

// The file controls on with "saving/appending"; its "..." opens no dialog
// while a command runs.
void MainWindow::showFileControls()
{
    const bool enabled = checkValue(m_saveDataBox) != 0;
    for (QWidget *w : {static_cast<QWidget *>(m_folderGroup), static_cast<QWidget *>(m_folderEdit),
                       static_cast<QWidget *>(m_folderButton), static_cast<QWidget *>(m_fileNameGroup),
                       static_cast<QWidget *>(m_fileNameFormatGroup->button(kFixedFileName)),
                       static_cast<QWidget *>(m_fileNameFormatGroup->button(kDateFileName)),
                       static_cast<QWidget *>(m_fixedFileNameEdit), static_cast<QWidget *>(m_dateFormatBox)})
        vx::setSwitchedOn(w, enabled,
                      tr("Tick \u201csaving/appending\u201d to save every download in this folder and file"));
    if (enabled && m_guard.isBusy())
        vx::setSwitchedOn(m_folderButton, false, vx::CommandGuard::busyText());
}

void MainWindow::chooseFileNameFormat(int format)
{
    m_fileNameFormat = static_cast<qint16>(format);
    m_settings.write(vx::key::FilenameFormat, format);
}

void MainWindow::chooseFolder()
{
    if (!m_folderDialog)
        m_folderDialog = std::make_unique<DataFolderDialog>(m_dialogs, this);
    m_folderDialog->setFolder(m_folderEdit->text());
    m_folderDialog->exec();
    if (!m_folderDialog->isChosen())
        return;
    const QString chosen = m_folderDialog->folder();
    m_settings.write(vx::key::FilePath, chosen);
    m_folderEdit->setText(chosen);
}

// The chooser stores the device under the key `vx500ctl ports --map` writes.
void MainWindow::choosePortDevice()
{
    const int number = m_portBox->currentIndex() + 1;
    PortChooser chooser(m_portBox->currentText(), devicePath(number), vx::portRows(vx::systemPorts()), this);
    if (chooser.exec() == QDialog::Accepted)
        m_settings.write(vx::key::portMap(number), chooser.device());
    showPort();
}

void MainWindow::changePassword()
{
    ChangePasswordDialog dialog(m_settings, m_password, this);
    dialog.exec();
}

void MainWindow::showHistory()
{
    vx::Ledger ledger;
    const auto entries = ledger.open() ? ledger.history() : std::nullopt;
    if (!entries) {
        m_dialogs.report(ledger.failure());
        return;
    }
    HistoryDialog dialog(*entries, m_settings, m_dialogs, m_now().date(), this);
    dialog.exec();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    endProgram();
}

// Ends the program: a device wait in progress returns at once, the command
// that waited unwinds and closes its file, and the event loop ends.
void MainWindow::endProgram()
{
    m_guard.endProgram();
    m_link->abort();
    if (m_endProgram)
        m_endProgram();
}
