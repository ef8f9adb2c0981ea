// The main window's controls, laid out in code.
#include "MainWindow.h"

#include "SwitchedOn.h"

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
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

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

QGroupBox *groupBox(const QString &caption, const QString &name, QWidget *parent)
{
    return named(new QGroupBox(caption, parent), name, caption);
}

QPlainTextEdit *messageBox(const QString &name, QWidget *parent)
{
    auto *box = named(new QPlainTextEdit(parent), name, MainWindow::tr("Message"));
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
void chainTabOrder(const QList<QWidget *> &controls)
{
    for (qsizetype i = 0; i + 1 < controls.size(); ++i)
        QWidget::setTabOrder(controls[i], controls[i + 1]);
}

void switchedOff(QWidget *control, const QString &why) { vx::setSwitchedOn(control, false, why); }

} // namespace

QPushButton *MainWindow::commandButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(withoutAccessKey(caption));
    button->setAutoDefault(true); // Enter presses the button that has the focus
    return button;
}

void MainWindow::buildLayout()
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);

    m_fileNameFormatGroup = new QButtonGroup(this);
    m_fileNameFormatGroup->setObjectName(QStringLiteral("fileNameFormatGroup"));

    m_tabs = named(new QTabWidget(this), QStringLiteral("tabs"), tr("Tabs"));
    m_tabs->addTab(buildGeneralTab(), tr("&General Commands"));
    m_tabs->addTab(buildStationTab(), tr("&VX500R/U"));
    m_tabs->addTab(buildMiscTab(), tr("&Miscellaneous"));
    auto *tags = new QWidget(m_tabs);
    tags->setObjectName(QStringLiteral("tagTab"));
    m_tabs->addTab(tags, tr("&Tag Verification"));
    m_tabs->setMinimumSize(520, 430);

    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(8, 8, 8, 4);
    outer->addWidget(m_tabs);
    setCentralWidget(central);

    // Labels whose text changes have no fixed accessible name: screen readers
    // read their text as it is.
    m_portLabel = new QLabel(this);
    m_portLabel->setObjectName(QStringLiteral("portLabel"));
    m_portLabel->setAccessibleDescription(tr("Port"));
    m_resultLabel = new QLabel(this);
    m_resultLabel->setObjectName(QStringLiteral("resultLabel"));
    m_resultLabel->setAccessibleDescription(tr("Last result"));
    m_portLabel->setContentsMargins(6, 0, 6, 0);
    m_resultLabel->setContentsMargins(6, 0, 6, 0);
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_portLabel, 1);
    statusBar()->addPermanentWidget(m_resultLabel);
    // During a download: the records so far and the time in the result, and Stop.
    m_stopButton = named(new QPushButton(tr("&Stop"), this), QStringLiteral("stopButton"), tr("Stop"));
    m_stopButton->setToolTip(tr("End the download at the next record; nothing is cleared and the terminal "
                                "keeps every record"));
    m_stopButton->hide();
    statusBar()->addPermanentWidget(m_stopButton);

    // Ctrl+Q closes the window as its close box does.
    auto *quit = new QAction(this);
    quit->setObjectName(QStringLiteral("quitAction"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, &QWidget::close);
    addAction(quit);
}

// "Message:", the box named name (log, stationLog) and its Clear Message
// button ("clearLogButton", "clearStationLogButton"), one above the other.
MainWindow::MessageColumn MainWindow::messageColumn(const QString &name, void (MainWindow::*clearSlot)(), QWidget *page)
{
    MessageColumn column;
    column.label = label(tr("Message:"), page);
    column.box = messageBox(name, page);
    column.label->setBuddy(column.box);
    QString clearName = name;
    clearName[0] = clearName[0].toUpper();
    column.clear = commandButton(QStringLiteral("clear%1Button").arg(clearName), tr("&Clear Message"), page);
    connect(column.clear, &QPushButton::clicked, this, clearSlot);
    column.layout = new QVBoxLayout;
    column.layout->addWidget(column.label);
    column.layout->addWidget(column.box, 1);
    column.layout->addWidget(column.clear, 0, Qt::AlignLeft);
    return column;
}

QWidget *MainWindow::buildGeneralTab()
{
    auto *page = new QWidget(this);
    page->setObjectName(QStringLiteral("generalTab"));

    // Left column: the message box.
    const MessageColumn column = messageColumn(QStringLiteral("log"), &MainWindow::clearLog, page);
    m_log = column.box;
    auto *clear = column.clear;
    auto *left = column.layout;

    // Right column, top: port and machine number.
    m_portBox = named(new QComboBox(page), QStringLiteral("portBox"), tr("Comm. Port"));
    for (int n = 1; n <= 16; ++n)
        m_portBox->addItem(QStringLiteral("COM%1").arg(n));
    m_portBox->setMaxVisibleItems(16);
    auto *portLabel = label(tr("C&omm. Port:"), page);
    portLabel->setBuddy(m_portBox);
    m_portDeviceButton = named(new QPushButton(QStringLiteral("..."), page), QStringLiteral("portDeviceButton"),
                               QStringLiteral("..."));
    m_portDeviceButton->setAutoDefault(true);
    m_portDeviceButton->setFixedWidth(32);
    const QString addressed = tr("Machine number addressed");
    m_machineEdit = named(new QLineEdit(QStringLiteral("0"), page), QStringLiteral("machineEdit"), addressed);
    m_machineEdit->setFixedWidth(48);
    m_machineUpDown = new UpDown(m_machineEdit, 0, 255, addressed, page);
    m_machineUpDown->setObjectName(QStringLiteral("machineUpDown"));
    m_machineLabel = label(tr("Mach#:"), page);
    m_machineLabel->setBuddy(m_machineEdit);
    // Always machine number 0: the row is switched off.
    for (QWidget *w : {static_cast<QWidget *>(m_machineLabel), static_cast<QWidget *>(m_machineEdit),
                       static_cast<QWidget *>(m_machineUpDown)})
        switchedOff(w, tr("The window addresses machine number 0 only"));
    auto *top = new QGridLayout;
    top->addWidget(portLabel, 0, 0);
    auto *portRow = new QHBoxLayout;
    portRow->setSpacing(2);
    portRow->addWidget(m_portBox, 1);
    portRow->addWidget(m_portDeviceButton);
    top->addLayout(portRow, 0, 1, 1, 2);
    top->addWidget(m_machineLabel, 1, 0);
    auto *idRow = new QHBoxLayout;
    idRow->setSpacing(2);
    idRow->addWidget(m_machineEdit);
    idRow->addWidget(m_machineUpDown);
    idRow->addStretch();
    top->addLayout(idRow, 1, 1, 1, 2);
    top->setColumnStretch(2, 1);

    // "Settings": clock and machine number.
    auto *settings = groupBox(tr("Settings"), QStringLiteral("settingsGroup"), page);
    m_dateEdit = named(new QDateEdit(settings), QStringLiteral("dateEdit"), tr("Date"));
    m_dateEdit->setCalendarPopup(true);
    m_dateEdit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_timeEdit = named(new QTimeEdit(settings), QStringLiteral("timeEdit"), tr("Time"));
    m_timeEdit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    const QString newNumber = tr("New machine number");
    m_newMachineEdit = named(new QLineEdit(QStringLiteral("0"), settings), QStringLiteral("newMachineEdit"), newNumber);
    m_newMachineEdit->setFixedWidth(48);
    m_newMachineUpDown = new UpDown(m_newMachineEdit, 0, 255, newNumber, settings);
    m_newMachineUpDown->setObjectName(QStringLiteral("newMachineUpDown"));
    auto *newIdLabel = label(tr("Mach#"), settings);
    newIdLabel->setBuddy(m_newMachineEdit);
    auto *sg = new QGridLayout(settings);
    sg->addWidget(m_dateEdit, 0, 0, 1, 2);
    sg->addWidget(m_timeEdit, 0, 2);
    auto *newIdRow = new QHBoxLayout;
    newIdRow->setSpacing(2);
    newIdRow->addWidget(newIdLabel);
    newIdRow->addSpacing(4);
    newIdRow->addWidget(m_newMachineEdit);
    newIdRow->addWidget(m_newMachineUpDown);
    newIdRow->addStretch();
    sg->addLayout(newIdRow, 2, 0);

    auto *device = groupBox(tr("Device Maintain/Information"), QStringLiteral("deviceGroup"), page);
    auto *dg = new QGridLayout(device);
    auto *data = groupBox(tr("Data"), QStringLiteral("dataGroup"), page);
    auto *gg = new QGridLayout(data);
    for (QGridLayout *g : {dg, gg}) {
        g->setColumnStretch(0, 1);
        g->setColumnStretch(1, 1);
    }

    // The terminal actions' buttons, each where its row puts it; Tab moves
    // through each group row by row, the new machine number before its buttons.
    const std::pair<QGroupBox *, QGridLayout *> groups[] = {{settings, sg}, {device, dg}, {data, gg}};
    QList<std::tuple<Group, int, int, QWidget *>> placed{{Group::Settings, 2, 0, m_newMachineEdit}};
    for (const TerminalAction &action : terminalActions()) {
        const auto [box, grid] = groups[static_cast<int>(action.group)];
        QPushButton *button = commandButton(QLatin1String(action.objectName), tr(action.caption), box);
        grid->addWidget(button, action.row, action.column);
        if (action.run)
            connect(button, &QPushButton::clicked, this, [this, &action] { runAction(action); });
        else
            switchedOff(button, tr(action.whyOff));
        m_actionButtons << button;
        placed.append({action.group, action.row, action.column, button});
    }
    for (QPushButton *button : std::as_const(m_actionButtons))
        m_guard.guard(button);
    std::stable_sort(placed.begin(), placed.end(), [](const auto &a, const auto &b) {
        return std::tie(std::get<0>(a), std::get<1>(a), std::get<2>(a)) < std::tie(std::get<0>(b), std::get<1>(b), std::get<2>(b));
    });

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
    QList<QWidget *> order{m_log, clear, m_portBox, m_portDeviceButton, m_machineEdit, m_dateEdit, m_timeEdit};
    for (const auto &place : placed)
        order << std::get<3>(place);
    chainTabOrder(order);
    return page;
}

QWidget *MainWindow::buildStationTab()
{
    auto *page = new QWidget(this);
    page->setObjectName(QStringLiteral("stationTab"));
    const MessageColumn column = messageColumn(QStringLiteral("stationLog"), &MainWindow::clearStationLog, page);
    m_stationLog = column.box;
    auto *clear = column.clear;
    auto *left = column.layout;

    auto *right = new QVBoxLayout;
    right->addSpacing(column.label->sizeHint().height() + left->spacing());
    QList<QWidget *> order{m_stationLog, clear};
    for (const StationQuery &query : stationQueries()) {
        QPushButton *button = commandButton(QLatin1String(query.objectName), tr(query.caption), page);
        connect(button, &QPushButton::clicked, this, [this, &query] { queryStation(query); });
        right->addWidget(button);
        m_guard.guard(button);
        order << button;
    }
    right->addStretch();

    auto *row = new QHBoxLayout(page);
    row->addLayout(left, 1);
    row->addSpacing(4);
    row->addLayout(right, 0);
    chainTabOrder(order);
    return page;
}

QWidget *MainWindow::buildMiscTab()
{
    auto *page = new QWidget(this);
    page->setObjectName(QStringLiteral("miscTab"));

    const QString automationCaption = tr("Automation: After downloading data successfully, automatically");
    auto *automation = groupBox(automationCaption, QStringLiteral("automationGroup"), page);
    auto check = [automation](const QString &name, const QString &caption) {
        return named(new QCheckBox(caption, automation), name, withoutAccessKey(caption));
    };
    m_clearDataBox = check(QStringLiteral("clearDataBox"), tr("&clearing the data of terminal."));
    m_updateTimeBox = check(QStringLiteral("updateTimeBox"), tr("&updating the time of terminal."));
    m_powerDownBox = check(QStringLiteral("powerDownBox"), tr("turning off the po&wer of terminal."));
    m_saveDataBox = check(QStringLiteral("saveDataBox"),
                          tr("&saving/appending the downloaded data to the specified file."));

    m_folderGroup = groupBox(tr("Saved file path"), QStringLiteral("folderGroup"), automation);
    m_folderEdit = named(new QLineEdit(m_folderGroup), QStringLiteral("folderEdit"), tr("Saved file path"));
    QPalette grey = m_folderEdit->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Window));
    m_folderEdit->setPalette(grey);
    m_folderButton = named(new QPushButton(QStringLiteral("..."), m_folderGroup), QStringLiteral("folderButton"),
                           QStringLiteral("..."));
    m_folderButton->setAutoDefault(true);
    m_folderButton->setFixedWidth(32);
    m_folderButton->setToolTip(tr("Choose the folder of the data files"));
    auto *pathRow = new QHBoxLayout(m_folderGroup);
    pathRow->addWidget(m_folderEdit, 1);
    pathRow->addWidget(m_folderButton);

    m_fileNameGroup = groupBox(tr("Saved file name"), QStringLiteral("fileNameGroup"), automation);
    auto option = [this](const QString &name, FileNameFormat format, const QString &caption) {
        auto *b = new QRadioButton(caption, m_fileNameGroup);
        b->setObjectName(name);
        b->setAccessibleName(withoutAccessKey(caption));
        m_fileNameFormatGroup->addButton(b, format);
        return b;
    };
    auto *fixed = option(QStringLiteral("fixedNameOption"), kFixedFileName, tr("&Fixed file name"));
    auto *dated = option(QStringLiteral("dateNameOption"), kDateFileName, tr("&Date format"));
    fixed->setChecked(true);
    m_fixedFileNameEdit = named(new QLineEdit(QStringLiteral("VX.txt"), m_fileNameGroup),
                                QStringLiteral("fixedFileNameEdit"), tr("Fixed file name"));
    m_dateFormatBox = named(new QComboBox(m_fileNameGroup), QStringLiteral("dateFormatBox"), tr("Date format"));
    m_dateFormatBox->addItems({QStringLiteral("yyyymmdd"), QStringLiteral("mmddyyyy"), QStringLiteral("ddmmyyyy")});
    m_exampleLabel = new QLabel(tr("ex."), m_fileNameGroup); // read by its changing text
    m_exampleLabel->setObjectName(QStringLiteral("exampleLabel"));
    m_exampleLabel->setAccessibleDescription(tr("Example of a date file name"));
    auto *fg = new QGridLayout(m_fileNameGroup);
    fg->addWidget(fixed, 0, 0);
    fg->addWidget(m_fixedFileNameEdit, 0, 1);
    fg->addWidget(dated, 1, 0);
    fg->addWidget(m_dateFormatBox, 1, 1);
    fg->addWidget(m_exampleLabel, 1, 2);
    fg->setColumnStretch(2, 1);
    fg->setColumnMinimumWidth(2, 130);

    auto *ag = new QVBoxLayout(automation);
    for (QCheckBox *c : {m_clearDataBox, m_updateTimeBox, m_powerDownBox, m_saveDataBox})
        ag->addWidget(c);
    auto *files = new QVBoxLayout;
    files->setContentsMargins(20, 0, 0, 0);
    files->addWidget(m_folderGroup);
    files->addWidget(m_fileNameGroup);
    ag->addLayout(files);

    auto *security = groupBox(tr("Security"), QStringLiteral("securityGroup"), page);
    auto *securityLabel =
        label(tr("To change the password that is required on launching the program"), security);
    securityLabel->setWordWrap(true);
    m_changePasswordButton = named(new QPushButton(tr("Change &Password..."), security),
                                   QStringLiteral("changePasswordButton"), tr("Change Password..."));
    m_changePasswordButton->setAutoDefault(true);
    auto *sr = new QHBoxLayout(security);
    sr->addWidget(securityLabel, 1);
    sr->addWidget(m_changePasswordButton);

    auto *history = groupBox(tr("Download history"), QStringLiteral("historyGroup"), page);
    auto *historyLabel = label(tr("Every download: when, how many records, where, and whether the "
                                  "terminal was cleared"),
                               history);
    historyLabel->setWordWrap(true);
    m_historyButton = named(new QPushButton(tr("&History..."), history), QStringLiteral("historyButton"),
                            tr("History..."));
    m_historyButton->setAutoDefault(true);
    auto *hr = new QHBoxLayout(history);
    hr->addWidget(historyLabel, 1);
    hr->addWidget(m_historyButton);

    auto *column = new QVBoxLayout(page);
    column->addWidget(automation);
    column->addWidget(history);
    column->addWidget(security);
    column->addStretch();
    chainTabOrder({m_clearDataBox, m_updateTimeBox, m_powerDownBox, m_saveDataBox, m_folderEdit, m_folderButton, fixed, m_fixedFileNameEdit,
                   dated, m_dateFormatBox, m_historyButton, m_changePasswordButton});
    return page;
}
