#include "HistoryDialog.h"

#include "HistoryChart.h"
#include "SettingsStore.h"
#include "settings/UserSettings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// Failed in red, stopped in amber, not started in grey; a complete download
// in the text's own colour.
QColor endingColour(vx::Ending ending)
{
    switch (ending) {
    case vx::Ending::Failed: return QColor(0xB0, 0x00, 0x20);
    case vx::Ending::Stopped: return QColor(0x9A, 0x5B, 0x00);
    case vx::Ending::NotStarted: return QColor(0x70, 0x70, 0x70);
    case vx::Ending::Complete: break;
    }
    return {};
}

} // namespace

HistoryDialog::HistoryDialog(const QList<vx::HistoryEntry> &entries, vx::SettingsStore &settings, QDate today,
                             QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("HistoryDialog"));
    setWindowTitle(QStringLiteral("Download History"));
    const QStringList headers{QStringLiteral("Time"),  QStringLiteral("Port"), QStringLiteral("Mach#"),
                              QStringLiteral("Received"), QStringLiteral("Added"), QStringLiteral("File"),
                              QStringLiteral("Result")};
    m_table = new QTableWidget(int(entries.size()), int(headers.size()), this);
    m_table->setObjectName(QStringLiteral("historyTable"));
    m_table->setAccessibleName(QStringLiteral("Downloads"));
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    for (int row = 0; row < entries.size(); ++row) {
        const vx::HistoryEntry &e = entries[row];
        // The file that took the records, and where the others already were.
        QString file = QDir::toNativeSeparators(e.file);
        for (const vx::EarlierFile &earlier : e.earlier)
            file += QStringLiteral("; %1 already in %2").arg(earlier.records).arg(QDir::toNativeSeparators(earlier.path));
        const QStringList cells{e.facts.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                e.facts.port, QString::number(e.facts.machine), QString::number(e.records),
                                QString::number(e.added), file, e.outcome};
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            if (const QColor colour = endingColour(e.ending); colour.isValid())
                item->setForeground(colour);
            if (column >= 2 && column <= 4)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(row, column, item);
        }
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);

    m_daysBox = new QSpinBox(this);
    m_daysBox->setObjectName(QStringLiteral("historyDaysBox"));
    m_daysBox->setRange(1, 3650);
    m_daysBox->setValue(vx::historyDays(settings.read(vx::key::HistoryDays, QString())));
    auto *daysLabel = new QLabel(QStringLiteral("&Keep the history for"), this);
    daysLabel->setBuddy(m_daysBox);
    m_keepRecordsBox = new QCheckBox(QStringLiteral("Keep the &records of cleared downloads in the history"), this);
    m_keepRecordsBox->setObjectName(QStringLiteral("keepRecordsBox"));
    m_keepRecordsBox->setChecked(settings.read(vx::key::KeepRecords, QString()) == u"1");
    connect(m_daysBox, &QSpinBox::valueChanged, this,
            [&settings](int days) { settings.write(vx::key::HistoryDays, days); });
    connect(m_keepRecordsBox, &QCheckBox::toggled, this,
            [&settings](bool on) { settings.write(vx::key::KeepRecords, on ? 1 : 0); });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *days = new QHBoxLayout;
    days->addWidget(daysLabel);
    days->addWidget(m_daysBox);
    days->addWidget(new QLabel(QStringLiteral("days"), this));
    days->addStretch();
    auto *column = new QVBoxLayout(this);
    column->addWidget(new HistoryChart(entries, today.isValid() ? today : QDate::currentDate(), this));
    column->addWidget(m_table, 1);
    column->addLayout(days);
    column->addWidget(m_keepRecordsBox);
    column->addWidget(buttons);
    resize(860, 560);
}
