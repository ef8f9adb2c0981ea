// The main window: four tabs carrying every command, message box and
// option, the one link to the terminal, and every persisted setting.
#pragma once

#include "Failure.h"

#include <QDateTime>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

class FolderList;
class QAbstractButton;
class QProgressBar;
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
class UpDown;
class DataFolderDialog;

namespace vx {
class Dialogs;
class TerminalLink;
class FileCalls;
struct StepResult;
class SerialPort;
class SettingsStore;
struct SettingKey;
} // namespace vx

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // The window on the given port (the platform's serial port in the
    // program, a fake one in tests). programFolder is where the program lives.
    // The PC clock the window reads; the system's unless one is handed in
    // (tests put it on virtual time).
    using Clock = std::function<QDateTime()>;
    MainWindow(std::unique_ptr<vx::SerialPort> port, vx::Dialogs &dialogs, vx::SettingsStore &settings,
            const QString &programFolder, Clock now = {}, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The indices of the control arrays and of the tabs, as the window
    // numbers them.
    enum CmdIndex {
        kCmdSetTime = 0,
        kCmdGetTime = 1,
        kCmdRecordCount = 2,
        kCmdSetID = 3,
        kCmdGetID = 4,
        kCmdGetVersion = 5,
        kCmdClearData = 6,
        kCmdRecoverData = 7,
        kCmdInvokeTest = 8,
        kCmdPowerDown = 9,
        kCmdDownload = 10,
        kCmdSyncTime = 14,
        kCmdBatteryVoltage = 15,
    };
    enum ClearIndex { kClearGeneral = 0, kClearStation = 2 };
    enum StationIndex { kStationVersion = 1, kStationInformation = 2 };
    enum FilenameFormat { kFixedFilename = 0, kDateFilename = 1 };
    enum TabIndex { kTabGeneral = 0, kTabStation = 1, kTabMisc = 2, kTabTags = 3 };

    bool IsBusy() const { return m_busy; }
    // What closing the window does to end the program (tests record it).
    void setEndProgram(std::function<void()> end) { m_endProgram = std::move(end); }
    // The system calls that put a data file on the disk (tests record them,
    // or make them fail).
    void setFileCalls(vx::FileCalls &calls) { m_fileCalls = &calls; }
    // Whether a device is there, for the port label; the system's answer
    // unless one is handed in (tests answer for their fake devices).
    using DevicePresent = std::function<bool(const QString &device)>;
    void setDevicePresent(DevicePresent present);

    // Switches a control on or off; switched off, its tooltip says why, and
    // the tooltip it had comes back when it is switched on again.
    static void setSwitchedOn(QWidget *control, bool on, const QString &whyOff);

    // A record's first field, read as hexadecimal, becomes its decimal value
    // (16-bit up to FFFF, 32-bit up to FFFFFFFF, signed; no digits give 0); a
    // line without a comma becomes the converted value alone; a field of more
    // than eight significant digits stays as it is.
    static void ConvertFirstField(QString &line);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Layout (MainWindow_layout.cpp).
    void buildLayout();
    void centreOnScreen();
    QWidget *buildGeneralTab();
    QWidget *buildStationTab();
    QWidget *buildMiscTab();
    QPushButton *arrayButton(QButtonGroup *group, const char *name, int index, const QString &caption,
                             QWidget *parent);

    // Load and settings (MainWindow.cpp).
    void Form_Load();
    void Form_Unload();
    void cboCommPort_Click();
    void cboDateFormat_Click();
    void chkClearData_Click();
    void chkUpdateTime_Click();
    void chkPowerDown_Click();
    void chkSaveData_Click();
    void optFilenameFormat_Click(int index);
    void cmdPath_Click();
    void cmdPortDevice_Click();
    void cmdChangePassword_Click();
    void cmdHistory_Click();
    void writeCheck(QCheckBox *box, const vx::SettingKey &key);
    QString devicePath(int number);
    void showPort();
    void showExample();
    QString dataFolder() const;
    // A check box's value: 0 not ticked, 1 ticked, 2 greyed.
    static int CheckValue(const QCheckBox *box);

    // Device commands (MainWindow_commands.cpp).
    void cmd_Click(int index);
    void setBusy(bool busy);
    void failed(const vx::Failure &failure);
    void cmdClear_Click(int index);
    qint16 machineNumber(const QString &text) const;
    QString generalDate(const QDateTime &dt) const;
    void showLine(const QString &line);

    // Download (MainWindow_download.cpp).
    class DownloadView;
    void DownloadData(qint16 id);
    bool chooseDataFile(QString &fileName);
    void showRecordLine(const QString &line);
    QString automationLine(const vx::StepResult &step, int saved) const;
    enum class Progress { Running, Finished, Stopped };
    void showProgress(int records, Progress state);
    // A terminal that did not answer: where the window asked, and what to check.
    void showNoAnswer(qint16 id);

    // Reader station (MainWindow_station.cpp).
    void cmdDK90_Click(int index);

    vx::Dialogs &m_dialogs;
    vx::SettingsStore &m_settings;
    QString m_programFolder;
    vx::TerminalLink *m_vx;
    std::unique_ptr<DataFolderDialog> m_folderDialog;
    std::function<void()> m_endProgram;
    Clock m_now;
    vx::FileCalls *m_fileCalls;
    DevicePresent m_devicePresent;
    QDateTime m_downloadStart;
    qint64 m_logChars = 0; // characters in txt, each line end counted as CR LF

    // Window fields.
    qint16 m_filenameFormat = 0;
    bool m_busy = false;
    QList<QAbstractButton *> m_greyed; // switched off while busy
    bool m_stopRequested = false;     // Stop was pressed during a download
    int m_expected = -1;              // the records the terminal said it holds; -1: not known
    QString m_dataFile;               // the file of the download in progress
    bool m_unloading = false;
    bool m_stationQuery = false; // its port failures keep the program's own title

    // Controls.
    QTabWidget *stab;
    QPlainTextEdit *txt;
    QPlainTextEdit *txtDK90;
    QComboBox *cboCommPort;
    QPushButton *cmdPortDevice;
    QLineEdit *txtID;
    UpDown *updID;
    QLabel *lblID;
    QDateEdit *dtpDate;
    QTimeEdit *dtpTime;
    QLineEdit *txtNewID;
    UpDown *updNewID;
    QButtonGroup *cmd;
    QButtonGroup *cmdClear;
    QButtonGroup *cmdDK90;
    QCheckBox *chkClearData;
    QCheckBox *chkUpdateTime;
    QCheckBox *chkPowerDown;
    QCheckBox *chkSaveData;
    QGroupBox *Frame7;
    QLineEdit *txtPath;
    QPushButton *cmdPath;
    QGroupBox *Frame8;
    QButtonGroup *optFilenameFormat;
    QLineEdit *txtFixedFilename;
    QComboBox *cboDateFormat;
    QLabel *lblExample;
    QPushButton *cmdChangePassword;
    QPushButton *cmdHistory;
    QLabel *lblPort;
    QLabel *lblProgress;
    QProgressBar *prgDownload;
    QPushButton *cmdStop;
};
