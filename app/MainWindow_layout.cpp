// The main window's controls, laid out in code.
#include "MainWindow.h"

#include "UpDown.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

QString withoutAccessKey(QString caption)
{
    return caption.remove(QRegularExpression(QStringLiteral("&(?!&)")));
}

template <typename W>
W *named(W *widget, const QString &name, const QString &accessible)
{
    widget->setObjectName(name);
    widget->setAccessibleName(accessible);
    return widget;
}

QLabel *label(const QString &caption, QWidget *parent)
{
    auto *l = new QLabel(caption, parent);
    l->setAccessibleName(withoutAccessKey(caption));
    return l;
}

QGroupBox *frame(const QString &caption, const QString &name, QWidget *parent)
{
    return named(new QGroupBox(caption, parent), name, caption);
}

QPlainTextEdit *messageBox(const QString &name, QWidget *parent)
{
    auto *box = named(new QPlainTextEdit(parent), name, QStringLiteral("Message"));
    box->setReadOnly(true);
    box->setUndoRedoEnabled(false); // lines are only added: an undo history would grow without end
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Room for a typical record (tag, barcode, date, time) on one line.
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QString(46, QLatin1Char('0')))
                         + box->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 12);
    return box;
}

// Tab moves through the controls in the order given: the order the layout
// reads them in.
void chainTabOrder(std::initializer_list<QWidget *> controls)
{
    for (auto it = controls.begin(); it + 1 != controls.end(); ++it)
        QWidget::setTabOrder(*it, *(it + 1));
}

void switchedOff(QWidget *control, const QString &why) { MainWindow::setSwitchedOn(control, false, why); }

} // namespace

QPushButton *MainWindow::arrayButton(QButtonGroup *group, const char *name, int index, const QString &caption,
                                  QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index));
    button->setAccessibleName(withoutAccessKey(caption));
    button->setAutoDefault(true); // Enter presses the button that has the focus
    group->addButton(button, index);
    return button;
}

void MainWindow::buildLayout()
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);

    cmd = new QButtonGroup(this);
    cmd->setObjectName(QStringLiteral("cmd"));
    cmdClear = new QButtonGroup(this);
    cmdClear->setObjectName(QStringLiteral("cmdClear"));
    cmdDK90 = new QButtonGroup(this);
    cmdDK90->setObjectName(QStringLiteral("cmdDK90"));
    optFilenameFormat = new QButtonGroup(this);
    optFilenameFormat->setObjectName(QStringLiteral("optFilenameFormat"));

    stab = named(new QTabWidget(this), QStringLiteral("stab"), QStringLiteral("Tabs"));
    stab->addTab(buildGeneralTab(), QStringLiteral("&General Commands"));
    stab->addTab(buildStationTab(), QStringLiteral("&VX500R/U"));
    stab->addTab(buildMiscTab(), QStringLiteral("&Miscellaneous"));
    auto *tags = new QWidget(stab);
    tags->setObjectName(QStringLiteral("tabTagVerification"));
    stab->addTab(tags, QStringLiteral("&Tag Verification"));
    stab->setMinimumSize(520, 430);

    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(8, 8, 8, 4);
    outer->addWidget(stab);
    setCentralWidget(central);

    // Labels whose text changes have no fixed accessible name: screen readers
    // read their text as it is.
    lblPort = new QLabel(this);
    lblPort->setObjectName(QStringLiteral("lblPort"));
    lblPort->setAccessibleDescription(QStringLiteral("Port"));
    lblProgress = new QLabel(this);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    lblProgress->setAccessibleDescription(QStringLiteral("Download progress"));
    lblPort->setContentsMargins(6, 0, 6, 0);
    lblProgress->setContentsMargins(6, 0, 6, 0);
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(lblPort, 1);
    statusBar()->addPermanentWidget(lblProgress);
    // During a download: how far it is out of the terminal's count, and Stop.
    prgDownload = new QProgressBar(this);
    prgDownload->setObjectName(QStringLiteral("prgDownload"));
    prgDownload->setAccessibleName(QStringLiteral("Records downloaded"));
    prgDownload->setMaximumWidth(140);
    prgDownload->setMaximumHeight(16);
    prgDownload->setFormat(QStringLiteral("%v of %m"));
    prgDownload->hide();
    statusBar()->addPermanentWidget(prgDownload);
    cmdStop = named(new QPushButton(QStringLiteral("&Stop"), this), QStringLiteral("cmdStop"), QStringLiteral("Stop"));
    cmdStop->setToolTip(QStringLiteral("End the download at the next record; nothing is cleared and the terminal "
                                       "keeps every record"));
    cmdStop->hide();
    statusBar()->addPermanentWidget(cmdStop);

    // Ctrl+Q closes the window as its close box does.
    auto *quit = new QAction(this);
    quit->setObjectName(QStringLiteral("actQuit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, &QWidget::close);
    addAction(quit);
}

QWidget *MainWindow::buildGeneralTab()
{
    auto *page = new QWidget(this);
    page->setObjectName(QStringLiteral("tabGeneral"));

    // Left column: the message box.
    auto *messageLabel = label(QStringLiteral("Message:"), page);
    txt = messageBox(QStringLiteral("txt"), page);
    messageLabel->setBuddy(txt);
    auto *clear = arrayButton(cmdClear, "cmdClear", kClearGeneral, QStringLiteral("&Clear Message"), page);
    auto *left = new QVBoxLayout;
    left->addWidget(messageLabel);
    left->addWidget(txt, 1);
    left->addWidget(clear, 0, Qt::AlignLeft);

    // Right column, top: port and machine number.
    cboCommPort = named(new QComboBox(page), QStringLiteral("cboCommPort"), QStringLiteral("Comm. Port"));
    for (int n = 1; n <= 16; ++n)
        cboCommPort->addItem(QStringLiteral("COM%1").arg(n));
    cboCommPort->setMaxVisibleItems(16);
    auto *portLabel = label(QStringLiteral("C&omm. Port:"), page);
    portLabel->setBuddy(cboCommPort);
    cmdPortDevice = named(new QPushButton(QStringLiteral("..."), page), QStringLiteral("cmdPortDevice"),
                          QStringLiteral("..."));
    cmdPortDevice->setAutoDefault(true);
    cmdPortDevice->setFixedWidth(32);
    const QString addressed = QStringLiteral("Machine number addressed");
    txtID = named(new QLineEdit(QStringLiteral("0"), page), QStringLiteral("txtID"), addressed);
    txtID->setFixedWidth(48);
    updID = new UpDown(txtID, 0, 255, addressed, page);
    updID->setObjectName(QStringLiteral("updID"));
    lblID = label(QStringLiteral("Mach#:"), page);
    lblID->setBuddy(txtID);
    // Always machine number 0: the row is switched off.
    for (QWidget *w : {static_cast<QWidget *>(lblID), static_cast<QWidget *>(txtID), static_cast<QWidget *>(updID)})
        switchedOff(w, QStringLiteral("The window addresses machine number 0 only"));
    auto *top = new QGridLayout;
    top->addWidget(portLabel, 0, 0);
    auto *portRow = new QHBoxLayout;
    portRow->setSpacing(2);
    portRow->addWidget(cboCommPort, 1);
    portRow->addWidget(cmdPortDevice);
    top->addLayout(portRow, 0, 1, 1, 2);
    top->addWidget(lblID, 1, 0);
    auto *idRow = new QHBoxLayout;
    idRow->setSpacing(2);
    idRow->addWidget(txtID);
    idRow->addWidget(updID);
    idRow->addStretch();
    top->addLayout(idRow, 1, 1, 1, 2);
    top->setColumnStretch(2, 1);

    // Frame "Settings": clock and machine number.
    auto *settings = frame(QStringLiteral("Settings"), QStringLiteral("fraSettings"), page);
    dtpDate = named(new QDateEdit(settings), QStringLiteral("dtpDate"), QStringLiteral("Date"));
    dtpDate->setCalendarPopup(true);
    dtpDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dtpTime = named(new QTimeEdit(settings), QStringLiteral("dtpTime"), QStringLiteral("Time"));
    dtpTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    const QString newNumber = QStringLiteral("New machine number");
    txtNewID = named(new QLineEdit(QStringLiteral("0"), settings), QStringLiteral("txtNewID"), newNumber);
    txtNewID->setFixedWidth(48);
    updNewID = new UpDown(txtNewID, 0, 255, newNumber, settings);
    updNewID->setObjectName(QStringLiteral("updNewID"));
    auto *newIdLabel = label(QStringLiteral("Mach#"), settings);
    newIdLabel->setBuddy(txtNewID);
    auto *sg = new QGridLayout(settings);
    sg->addWidget(dtpDate, 0, 0, 1, 2);
    sg->addWidget(dtpTime, 0, 2);
    sg->addWidget(arrayButton(cmd, "cmd", kCmdSetTime, QStringLiteral("&Set Time"), settings), 1, 0);
    sg->addWidget(arrayButton(cmd, "cmd", kCmdGetTime, QStringLiteral("Get T&ime"), settings), 1, 1);
    sg->addWidget(arrayButton(cmd, "cmd", kCmdSyncTime, QStringLiteral("S&ync. Time"), settings), 1, 2);
    auto *newIdRow = new QHBoxLayout;
    newIdRow->setSpacing(2);
    newIdRow->addWidget(newIdLabel);
    newIdRow->addSpacing(4);
    newIdRow->addWidget(txtNewID);
    newIdRow->addWidget(updNewID);
    newIdRow->addStretch();
    sg->addLayout(newIdRow, 2, 0);
    sg->addWidget(arrayButton(cmd, "cmd", kCmdSetID, QStringLiteral("Set M&ach#"), settings), 2, 1);
    sg->addWidget(arrayButton(cmd, "cmd", kCmdGetID, QStringLiteral("Get Mac&h#"), settings), 2, 2);

    // Frame "Device Maintain/Information".
    auto *device = frame(QStringLiteral("Device Maintain/Information"), QStringLiteral("fraDevice"), page);
    auto *dg = new QGridLayout(device);
    // The service buttons (shown only under the master password) come last,
    // so that without them the frames have no hole in the middle.
    dg->addWidget(arrayButton(cmd, "cmd", kCmdPowerDown, QStringLiteral("&Power Down"), device), 0, 0);
    dg->addWidget(arrayButton(cmd, "cmd", kCmdGetVersion, QStringLiteral("Get Versio&n"), device), 0, 1);
    auto *voltage = arrayButton(cmd, "cmd", kCmdBatteryVoltage, QStringLiteral("&Battery Voltage"), device);
    switchedOff(voltage, QStringLiteral("Not offered in the window: vx500ctl voltage reads it"));
    dg->addWidget(voltage, 1, 0);
    dg->addWidget(arrayButton(cmd, "cmd", kCmdInvokeTest, QStringLiteral("Invo&ke Test"), device), 1, 1);

    // Frame "Data".
    auto *data = frame(QStringLiteral("Data"), QStringLiteral("fraData"), page);
    auto *gg = new QGridLayout(data);
    gg->addWidget(arrayButton(cmd, "cmd", kCmdDownload, QStringLiteral("&Download Data"), data), 0, 0);
    gg->addWidget(arrayButton(cmd, "cmd", kCmdRecordCount, QStringLiteral("&Record Count"), data), 0, 1);
    gg->addWidget(arrayButton(cmd, "cmd", kCmdClearData, QStringLiteral("C&lear Data"), data), 1, 0);
    gg->addWidget(arrayButton(cmd, "cmd", kCmdRecoverData, QStringLiteral("R&ecover Data"), data), 1, 1);
    for (QGridLayout *g : {dg, gg}) {
        g->setColumnStretch(0, 1);
        g->setColumnStretch(1, 1);
    }

    auto *right = new QVBoxLayout;
    right->addLayout(top);
    right->addWidget(settings);
    right->addWidget(device);
    right->addWidget(data);
    right->addStretch();

    auto *row = new QHBoxLayout(page);
    row->addLayout(left, 1);
    row->addSpacing(4);
    row->addLayout(right, 0);
    auto b = [this](int index) { return cmd->button(index); };
    chainTabOrder({txt, clear, cboCommPort, cmdPortDevice, txtID, dtpDate, dtpTime, b(kCmdSetTime), b(kCmdGetTime),
                   b(kCmdSyncTime), txtNewID, b(kCmdSetID), b(kCmdGetID), b(kCmdPowerDown), b(kCmdGetVersion),
                   b(kCmdBatteryVoltage), b(kCmdInvokeTest), b(kCmdDownload), b(kCmdRecordCount), b(kCmdClearData),
                   b(kCmdRecoverData)});
    return page;
}

QWidget *MainWindow::buildStationTab()
{
    auto *page = new QWidget(this);
    page->setObjectName(QStringLiteral("tabStation"));
    auto *messageLabel = label(QStringLiteral("Message:"), page);
    txtDK90 = messageBox(QStringLiteral("txtDK90"), page);
    messageLabel->setBuddy(txtDK90);
    auto *left = new QVBoxLayout;
    left->addWidget(messageLabel);
    left->addWidget(txtDK90, 1);
    left->addWidget(arrayButton(cmdClear, "cmdClear", kClearStation, QStringLiteral("&Clear Message"), page), 0,
                    Qt::AlignLeft);

    auto *right = new QVBoxLayout;
    right->addSpacing(messageLabel->sizeHint().height() + left->spacing());
    right->addWidget(arrayButton(cmdDK90, "cmdDK90", kStationVersion, QStringLiteral("Get VX500R/U Versi&on"), page));
    right->addWidget(
        arrayButton(cmdDK90, "cmdDK90", kStationInformation, QStringLiteral("Get VX500R/U &Information"), page));
    right->addStretch();

    auto *row = new QHBoxLayout(page);
    row->addLayout(left, 1);
    row->addSpacing(4);
    row->addLayout(right, 0);
    chainTabOrder({txtDK90, cmdClear->button(kClearStation), cmdDK90->button(kStationVersion),
                   cmdDK90->button(kStationInformation)});
    return page;
}

QWidget *MainWindow::buildMiscTab()
{
    auto *page = new QWidget(this);
    page->setObjectName(QStringLiteral("tabMisc"));

    const QString automationCaption = QStringLiteral("Automation: After downloading data successfully, automatically");
    auto *automation = frame(automationCaption, QStringLiteral("fraAutomation"), page);
    auto check = [automation](const QString &name, const QString &caption) {
        return named(new QCheckBox(caption, automation), name, withoutAccessKey(caption));
    };
    chkClearData = check(QStringLiteral("chkClearData"), QStringLiteral("&clearing the data of terminal."));
    chkUpdateTime = check(QStringLiteral("chkUpdateTime"), QStringLiteral("&updating the time of terminal."));
    chkPowerDown = check(QStringLiteral("chkPowerDown"), QStringLiteral("turning off the po&wer of terminal."));
    chkSaveData = check(QStringLiteral("chkSaveData"),
                        QStringLiteral("&saving/appending the downloaded data to the specified file."));

    Frame7 = frame(QStringLiteral("Saved file path"), QStringLiteral("Frame7"), automation);
    txtPath = named(new QLineEdit(Frame7), QStringLiteral("txtPath"), QStringLiteral("Saved file path"));
    QPalette grey = txtPath->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Window));
    txtPath->setPalette(grey);
    cmdPath = named(new QPushButton(QStringLiteral("..."), Frame7), QStringLiteral("cmdPath"), QStringLiteral("..."));
    cmdPath->setAutoDefault(true);
    cmdPath->setFixedWidth(32);
    cmdPath->setToolTip(QStringLiteral("Choose the folder of the data files"));
    auto *pathRow = new QHBoxLayout(Frame7);
    pathRow->addWidget(txtPath, 1);
    pathRow->addWidget(cmdPath);

    Frame8 = frame(QStringLiteral("Saved file name"), QStringLiteral("Frame8"), automation);
    auto option = [this](int index, const QString &caption) {
        auto *b = new QRadioButton(caption, Frame8);
        b->setObjectName(QStringLiteral("optFilenameFormat(%1)").arg(index));
        b->setAccessibleName(withoutAccessKey(caption));
        optFilenameFormat->addButton(b, index);
        return b;
    };
    auto *fixed = option(kFixedFilename, QStringLiteral("&Fixed file name"));
    auto *dated = option(kDateFilename, QStringLiteral("&Date format"));
    fixed->setChecked(true);
    txtFixedFilename = named(new QLineEdit(QStringLiteral("VX.txt"), Frame8), QStringLiteral("txtFixedFilename"),
                             QStringLiteral("Fixed file name"));
    cboDateFormat = named(new QComboBox(Frame8), QStringLiteral("cboDateFormat"), QStringLiteral("Date format"));
    cboDateFormat->addItems({QStringLiteral("yyyymmdd"), QStringLiteral("mmddyyyy"), QStringLiteral("ddmmyyyy")});
    lblExample = new QLabel(QStringLiteral("ex."), Frame8); // read by its changing text
    lblExample->setObjectName(QStringLiteral("lblExample"));
    lblExample->setAccessibleDescription(QStringLiteral("Example of a date file name"));
    auto *fg = new QGridLayout(Frame8);
    fg->addWidget(fixed, 0, 0);
    fg->addWidget(txtFixedFilename, 0, 1);
    fg->addWidget(dated, 1, 0);
    fg->addWidget(cboDateFormat, 1, 1);
    fg->addWidget(lblExample, 1, 2);
    fg->setColumnStretch(2, 1);
    fg->setColumnMinimumWidth(2, 130);

    auto *ag = new QVBoxLayout(automation);
    for (QCheckBox *c : {chkClearData, chkUpdateTime, chkPowerDown, chkSaveData})
        ag->addWidget(c);
    auto *files = new QVBoxLayout;
    files->setContentsMargins(20, 0, 0, 0);
    files->addWidget(Frame7);
    files->addWidget(Frame8);
    ag->addLayout(files);

    auto *security = frame(QStringLiteral("Security"), QStringLiteral("fraSecurity"), page);
    auto *securityLabel =
        label(QStringLiteral("To change the password that is required on lauching the program"), security);
    securityLabel->setWordWrap(true);
    cmdChangePassword = named(new QPushButton(QStringLiteral("Change &Password..."), security),
                              QStringLiteral("cmdChangePassword"), QStringLiteral("Change Password..."));
    cmdChangePassword->setAutoDefault(true);
    auto *sr = new QHBoxLayout(security);
    sr->addWidget(securityLabel, 1);
    sr->addWidget(cmdChangePassword);

    auto *history = frame(QStringLiteral("Download history"), QStringLiteral("fraHistory"), page);
    auto *historyLabel = label(QStringLiteral("Every download: when, how many records, where, and whether the "
                                              "terminal was cleared"),
                               history);
    historyLabel->setWordWrap(true);
    cmdHistory = named(new QPushButton(QStringLiteral("&History..."), history), QStringLiteral("cmdHistory"),
                       QStringLiteral("History..."));
    cmdHistory->setAutoDefault(true);
    auto *hr = new QHBoxLayout(history);
    hr->addWidget(historyLabel, 1);
    hr->addWidget(cmdHistory);

    auto *column = new QVBoxLayout(page);
    column->addWidget(automation);
    column->addWidget(history);
    column->addWidget(security);
    column->addStretch();
    chainTabOrder({chkClearData, chkUpdateTime, chkPowerDown, chkSaveData, txtPath, cmdPath, fixed, txtFixedFilename,
                   dated, cboDateFormat, cmdHistory, cmdChangePassword});
    return page;
}
