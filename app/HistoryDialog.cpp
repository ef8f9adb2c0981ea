#include "HistoryDialog.h"

#include "Csv.h"
#include "Dialogs.h"
#include "HistoryChart.h"
#include "HistoryModel.h"
#include "SettingsStore.h"
#include "settings/UserSettings.h"

#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardPaths>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace {

// A list with a first entry for "all" (no data), then one for each value.
QComboBox *filterBox(const QString &name, const QString &all, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItem(all);
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return box;
}

QLabel *labelFor(const QString &text, QWidget *buddy)
{
    auto *label = new QLabel(text, buddy->parentWidget());
    label->setBuddy(buddy);
    return label;
}

} // namespace

HistoryDialog::HistoryDialog(const QList<vx::HistoryEntry> &entries, vx::SettingsStore &settings, vx::Dialogs &dialogs,
                             QDate today, QWidget *parent)
    : QDialog(parent), m_dialogs(dialogs), m_today(today.isValid() ? today : QDate::currentDate())
{
    setObjectName(QStringLiteral("HistoryDialog"));
    setWindowTitle(tr("Download History"));
    auto *history = new vx::HistoryModel(entries, this);
    m_filter = new vx::HistoryFilter(history, this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("historyTable"));
    m_table->setAccessibleName(tr("Downloads"));
    m_table->setModel(m_filter);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(vx::HistoryModel::Time, Qt::DescendingOrder); // newest first
    // Each column as wide as its texts, a long path no wider than 36
    // characters; the result takes the rest (the tooltips show it all).
    for (int column = 0; column < vx::HistoryModel::Result; ++column) {
        m_table->resizeColumnToContents(column);
        m_table->setColumnWidth(column, std::min(m_table->columnWidth(column), fontMetrics().averageCharWidth() * 36));
    }
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_chart = new HistoryChart(entries, m_today, this);

    // The machines and ports seen, in order (COM2 before COM10).
    m_machineBox = filterBox(QStringLiteral("machineBox"), tr("All machines"), this);
    m_portBox = filterBox(QStringLiteral("portBox"), tr("All ports"), this);
    std::set<int> machines;
    QStringList ports;
    for (const vx::HistoryEntry &e : entries) {
        machines.insert(e.facts.machine);
        if (!ports.contains(e.facts.port))
            ports << e.facts.port;
    }
    for (int machine : machines)
        m_machineBox->addItem(tr("Mach# %1").arg(machine), machine);
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(ports.begin(), ports.end(), collator);
    for (const QString &port : ports)
        m_portBox->addItem(port.isEmpty() ? tr("(no port)") : port.simplified(), port);
    m_periodBox = filterBox(QStringLiteral("periodBox"), tr("All time"), this);
    m_periodBox->addItem(tr("Today"), 0);
    m_periodBox->addItem(tr("Last 7 days"), 6);
    m_periodBox->addItem(tr("Last 30 days"), 29);
    m_shownLabel = new QLabel(this);
    m_shownLabel->setObjectName(QStringLiteral("shownLabel"));
    for (QComboBox *box : {m_machineBox, m_portBox, m_periodBox})
        connect(box, &QComboBox::currentIndexChanged, this, &HistoryDialog::filterChanged);

    m_exportButton = new QPushButton(tr("E&xport CSV..."), this);
    m_exportButton->setObjectName(QStringLiteral("exportButton"));
    m_openFolderButton = new QPushButton(tr("Open &Folder"), this);
    m_openFolderButton->setObjectName(QStringLiteral("openFolderButton"));
    m_savedLabel = new QLabel(this);
    m_savedLabel->setObjectName(QStringLiteral("savedLabel"));
    m_savedLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    connect(m_exportButton, &QPushButton::clicked, this, &HistoryDialog::exportShown);
    connect(m_openFolderButton, &QPushButton::clicked, this, &HistoryDialog::openFolder);
    connect(m_table, &QTableView::doubleClicked, this, &HistoryDialog::openFolder);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &HistoryDialog::selectionChanged);

    m_daysBox = new QSpinBox(this);
    m_daysBox->setObjectName(QStringLiteral("historyDaysBox"));
    m_daysBox->setRange(1, 3650);
    m_daysBox->setValue(vx::historyDays(settings.read(vx::key::HistoryDays, QString())));
    m_keepRecordsBox = new QCheckBox(tr("Keep the &records of cleared downloads in the history"), this);
    m_keepRecordsBox->setObjectName(QStringLiteral("keepRecordsBox"));
    m_keepRecordsBox->setChecked(settings.read(vx::key::KeepRecords, QString()) == u"1");
    connect(m_daysBox, &QSpinBox::valueChanged, this,
            [&settings](int days) { settings.write(vx::key::HistoryDays, days); });
    connect(m_keepRecordsBox, &QCheckBox::toggled, this,
            [&settings](bool on) { settings.write(vx::key::KeepRecords, on ? 1 : 0); });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *filters = new QHBoxLayout;
    for (QComboBox *box : {m_machineBox, m_portBox, m_periodBox}) {
        const char *label = box == m_machineBox ? QT_TR_NOOP("&Machine") : box == m_portBox ? QT_TR_NOOP("&Port") : QT_TR_NOOP("P&eriod");
        filters->addWidget(labelFor(tr(label), box));
        filters->addWidget(box);
        filters->addSpacing(12);
    }
    filters->addStretch();
    filters->addWidget(m_shownLabel);
    // The chart above the table, the table taking the room; the bar between
    // them gives the chart more.
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_chart);
    split->addWidget(m_table);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);
    auto *keep = new QHBoxLayout;
    keep->addWidget(labelFor(tr("&Keep the history for"), m_daysBox));
    keep->addWidget(m_daysBox);
    keep->addWidget(new QLabel(tr("days"), this));
    keep->addSpacing(24);
    keep->addWidget(m_keepRecordsBox);
    keep->addStretch();
    auto *actions = new QHBoxLayout;
    actions->addWidget(m_exportButton);
    actions->addWidget(m_openFolderButton);
    actions->addWidget(m_savedLabel, 1);
    actions->addWidget(buttons);
    auto *column = new QVBoxLayout(this);
    column->addLayout(filters);
    column->addWidget(split, 1);
    column->addLayout(keep);
    column->addLayout(actions);
    filterChanged();
    // Room for 20 rows of the table, or as much as the screen's free area holds.
    const QSize free = screen()->availableGeometry().size() - QSize(0, style()->pixelMetric(QStyle::PM_TitleBarHeight));
    resize(QSize(940, 700).boundedTo(free));
}

void HistoryDialog::filterChanged()
{
    const QVariant machine = m_machineBox->currentData(), port = m_portBox->currentData(), days = m_periodBox->currentData();
    m_filter->setFilter(machine.isValid() ? std::optional(machine.toInt()) : std::nullopt,
                        port.isValid() ? std::optional(port.toString()) : std::nullopt,
                        days.isValid() ? m_today.addDays(-days.toInt()) : QDate());
    m_chart->setShown(m_filter->shownEntries());
    const int shown = m_filter->rowCount();
    m_shownLabel->setText(tr("Downloads shown: %1 of %2").arg(shown).arg(m_filter->sourceModel()->rowCount()));
    m_exportButton->setEnabled(shown > 0);
    m_exportButton->setToolTip(shown > 0 ? tr("Saves the downloads shown as a CSV file") : tr("No download is shown"));
    selectionChanged();
}

const vx::HistoryEntry *HistoryDialog::selectedEntry() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : &m_filter->entry(rows.first().row());
}

void HistoryDialog::selectionChanged()
{
    const vx::HistoryEntry *e = selectedEntry();
    m_openFolderButton->setEnabled(e && !e->file.isEmpty());
    m_openFolderButton->setToolTip(!e                ? tr("Select a download to open the folder of its file")
                                       : e->file.isEmpty() ? tr("This download wrote no file")
                                                           : tr("Opens %1").arg(QDir::toNativeSeparators(QFileInfo(e->file).absolutePath())));
}

// The rows shown, in their order, as the table shows them.
void HistoryDialog::exportShown()
{
    const std::optional<QString> path = m_dialogs.saveFileName(
        {.title = tr("Export the downloads shown"),
         .folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
         .filter = tr("CSV files (*.csv)") + QStringLiteral("|*.csv"),
         .proposed = QStringLiteral("download-history-%1.csv").arg(m_today.toString(QStringLiteral("yyyy-MM-dd")))});
    if (!path)
        return;
    const QString shown = QDir::toNativeSeparators(*path);
    const bool existed = QFileInfo::exists(*path);
    if (existed
        && m_dialogs.ask({.icon = vx::Icon::Question, .buttons = vx::Buttons::YesNo, .title = windowTitle(),
                          .text = tr("%1 already exists.\nReplace it?").arg(shown), .defaultAnswer = vx::Answer::No})
            != vx::Answer::Yes)
        return;
    m_savedLabel->clear();
    if (const auto failure = vx::saveWholeFile(*path, vx::csvText(m_filter->shownTable())))
        return m_dialogs.report({failure->kind, failure->detail + (existed ? tr("; the file is as it was") : tr("; no file was written"))});
    m_savedLabel->setText(tr("Saved %1").arg(shown));
    m_savedLabel->setToolTip(shown);
}

void HistoryDialog::openFolder()
{
    const vx::HistoryEntry *e = selectedEntry();
    if (!e || e->file.isEmpty())
        return;
    const QString folder = QFileInfo(e->file).absolutePath();
    const QString shown = QDir::toNativeSeparators(folder);
    if (!QFileInfo(folder).isDir())
        m_dialogs.report({vx::FailureKind::PathNotFound, tr("%1: the folder is no longer there").arg(shown)});
    else if (!m_dialogs.openFolder(folder))
        m_dialogs.report({vx::FailureKind::FileAccess, tr("%1: the system could not open the folder").arg(shown)});
}
