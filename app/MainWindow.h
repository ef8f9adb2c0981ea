// The main window: four tabs carrying every command, message box and
// option, the one link to the terminal, and every persisted setting.
//
// Failures take one way: presentFailure() shows a vx::Failure in a box
// titled with failure.number() (with the program's title during a station
// query). The link hands its failures to it through its error handler, at
// the moment they happen; an action that fails in the window itself (a
// machine number out of range, a data file that cannot be opened or
// written) returns its failure, and runAction() presents it once the action
// is over. A failure the terminal reports as a status is a line in the
// message box instead.
#pragma once

#include "CommandGuard.h"
#include "terminal/Failure.h"

#include <QDateTime>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <variant>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimeEdit;
class QVBoxLayout;
class UpDown;
class DataFolderDialog;

namespace vx {
class Dialogs;
class FileCalls;
class Password;
class SerialPort;
class SettingsStore;
class TerminalLink;
struct SettingKey;
struct StepResult;
struct DownloadResult;
} // namespace vx

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // The PC clock the window reads; the system's unless one is handed in
    // (tests put it on virtual time).
    using Clock = std::function<QDateTime()>;
    // The window on the given port (the platform's serial port in the
    // program, a fake one in tests); the password in force decides whether
    // the service buttons are shown, and "Change Password..." replaces it.
    // programFolder is where the program lives.
    MainWindow(std::unique_ptr<vx::SerialPort> port, vx::Dialogs &dialogs, vx::SettingsStore &settings,
               vx::Password &password, const QString &programFolder, Clock now = {}, QWidget *parent = nullptr);
    ~MainWindow() override;

    enum FileNameFormat { kFixedFileName = 0, kDateFileName = 1 };
    enum TabIndex { kTabGeneral = 0, kTabStation = 1, kTabMisc = 2, kTabTags = 3 };

    bool isBusy() const { return m_guard.isBusy(); }
    // What closing the window does to end the program (tests record it).
    void setEndProgram(std::function<void()> end) { m_endProgram = std::move(end); }
    // The system calls that put a data file on the disk (tests record them,
    // or make them fail).
    void setFileCalls(vx::FileCalls &calls) { m_fileCalls = &calls; }
    // Whether a device is there, for the port label; the system's answer
    // unless one is handed in (tests answer for their fake devices).
    using DevicePresent = std::function<bool(const QString &device)>;
    void setDevicePresent(DevicePresent present);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // How a terminal action ends: the exchange's line for the result step
    // (empty: "OK", unless the terminal's status says otherwise); Done when
    // the action showed its own lines or sent nothing; or a failure of the
    // window's own.
    struct Done {};
    using ActionEnd = std::variant<QString, Done, vx::Failure>;
    // The group boxes of the general tab that hold the terminal actions' buttons.
    enum class Group { Settings, Device, Data };
    // One button of the general tab: the table row is all a terminal
    // command's button needs (MainWindow_actions.cpp).
    struct TerminalAction {
        const char *objectName;
        const char *caption; // with its access key
        Group group;         // where it sits: the group box, its row and column
        int row;
        int column;
        ActionEnd (*run)(MainWindow &window, qint16 machine); // null: not offered
        bool serviceOnly = false;  // shown under the master password only
        const char *whyOff = nullptr; // not offered: the tooltip that says why
    };
    static std::span<const TerminalAction> terminalActions();
    // One button of the reader station tab.
    struct StationQuery {
        const char *objectName;
        const char *caption;
        void (vx::TerminalLink::*read)(QString &answer);
    };
    static std::span<const StationQuery> stationQueries();

    // Layout (MainWindow_layout.cpp).
    void buildLayout();
    void centreOnScreen();
    QWidget *buildGeneralTab();
    QWidget *buildStationTab();
    QWidget *buildMiscTab();
    QPushButton *commandButton(const QString &name, const QString &caption, QWidget *parent);
    struct MessageColumn {
        QLabel *label = nullptr;
        QPlainTextEdit *box = nullptr;
        QPushButton *clear = nullptr;
        QVBoxLayout *layout = nullptr;
    };
    MessageColumn messageColumn(const QString &name, void (MainWindow::*clearSlot)(), QWidget *page);

    // Load and settings (MainWindow.cpp).
    void loadSettings();
    void choosePort();
    void chooseDateFormat();
    void storeCheck(QCheckBox *box, const vx::SettingKey &key);
    void chooseSaving();
    void showFileControls();
    void chooseFileNameFormat(int format);
    void chooseFolder();
    void choosePortDevice();
    void changePassword();
    void showHistory();
    void endProgram();
    QString devicePath(int number);
    void showPort();
    void showExample();
    QString dataFolder() const;
    // A check box's value: 0 not ticked, 1 ticked, 2 greyed.
    static int checkValue(const QCheckBox *box);

    // Terminal actions (MainWindow_actions.cpp).
    void runAction(const TerminalAction &action);
    // The one exception kept: the clock handed in and the allocator may
    // throw, and an exception must not leave a Qt slot, so exchange() turns a
    // std::exception into a Failure that runAction() presents like any other.
    std::optional<vx::Failure> exchange(const TerminalAction &action);
    void showResult(const TerminalAction &action, QString line, qint16 machine);
    static QString captionOf(const TerminalAction &action);
    void presentFailure(const vx::Failure &failure);
    void clearLog();
    void clearStationLog();
    static std::optional<qint16> machineNumber(const QString &text);
    static QString generalDate(const QDateTime &dt);
    void showLine(const QString &line);
    // Puts the caret after the last character of the box and inserts the
    // line followed by CR LF.
    static void appendLine(QPlainTextEdit *log, const QString &line);

    // Download (MainWindow_download.cpp).
    class DownloadView;
    std::optional<vx::Failure> download(qint16 machine);
    bool chooseDataFile(QString &fileName);
    void showRecordLine(const QString &line);
    QString automationLine(const vx::StepResult &step, int saved) const;
    void showProgress(int records);
    void showOutcome(const vx::DownloadResult &result);
    QString outcome(const vx::DownloadResult &result, bool names) const;
    QString recordsKept(const vx::DownloadResult &result, bool names) const;
    QString recordsStored(const vx::DownloadResult &result, bool names) const;
    QString elapsed() const;
    // The status bar's result: the outcome of the last action, or the
    // download under way; the whole text in its tooltip when it is shortened.
    void setResult(const QString &text, const QString &whole = {});
    // A terminal that did not answer: where the window asked, and what to check.
    void showNoAnswer(qint16 machine);

    // Reader station (MainWindow_station.cpp).
    void queryStation(const StationQuery &query);

    vx::Dialogs &m_dialogs;
    vx::SettingsStore &m_settings;
    vx::Password &m_password;
    QString m_programFolder;
    vx::TerminalLink *m_link;
    std::unique_ptr<DataFolderDialog> m_folderDialog;
    std::function<void()> m_endProgram;
    Clock m_now;
    vx::FileCalls *m_fileCalls;
    DevicePresent m_devicePresent;
    QDateTime m_downloadStart;
    qint64 m_logChars = 0; // characters in m_log, each line end counted as CR LF

    // Window fields.
    qint16 m_fileNameFormat = kFixedFileName;
    vx::CommandGuard m_guard{*this};      // one command at a time: the rules
    QString m_dataFile;               // the file of the download in progress
    bool m_stationQuery = false; // its port failures keep the program's own title

    // Controls.
    QTabWidget *m_tabs;
    QPlainTextEdit *m_log;
    QPlainTextEdit *m_stationLog;
    QComboBox *m_portBox;
    QPushButton *m_portDeviceButton;
    QLineEdit *m_machineEdit;
    UpDown *m_machineUpDown;
    QLabel *m_machineLabel;
    QDateEdit *m_dateEdit;
    QTimeEdit *m_timeEdit;
    QLineEdit *m_newMachineEdit;
    UpDown *m_newMachineUpDown;
    QList<QPushButton *> m_actionButtons; // in the order of terminalActions()
    QCheckBox *m_clearDataBox;
    QCheckBox *m_updateTimeBox;
    QCheckBox *m_powerDownBox;
    QCheckBox *m_saveDataBox;
    QGroupBox *m_folderGroup;
    QLineEdit *m_folderEdit;
    QPushButton *m_folderButton;
    QGroupBox *m_fileNameGroup;
    QButtonGroup *m_fileNameFormatGroup; // the two options, by FileNameFormat
    QLineEdit *m_fixedFileNameEdit;
    QComboBox *m_dateFormatBox;
    QLabel *m_exampleLabel;
    QPushButton *m_changePasswordButton;
    QPushButton *m_historyButton;
    QLabel *m_portLabel;
    QLabel *m_resultLabel;
    QPushButton *m_stopButton;
};
