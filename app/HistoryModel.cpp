#include "HistoryModel.h"

#include <QCollator>
#include <QColor>
#include <QDir>

namespace vx {

namespace {

// Failed in red, stopped in amber, not started in grey; a complete download
// in the text's own colour.
QColor endingColour(Ending ending)
{
    switch (ending) {
    case Ending::Failed: return QColor(0xB0, 0x00, 0x20);
    case Ending::Stopped: return QColor(0x9A, 0x5B, 0x00);
    case Ending::NotStarted: return QColor(0x70, 0x70, 0x70);
    case Ending::Complete: break;
    }
    return {};
}

bool isNumber(int column)
{
    return column == HistoryModel::Machine || column == HistoryModel::Received || column == HistoryModel::Added;
}

} // namespace

HistoryModel::HistoryModel(QList<HistoryEntry> entries, QObject *parent)
    : QAbstractTableModel(parent), m_entries(std::move(entries))
{
}

int HistoryModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_entries.size()); }

int HistoryModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString HistoryModel::text(const HistoryEntry &e, int column) const
{
    switch (column) {
    case Time: return e.facts.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Port: return e.facts.port;
    case Machine: return QString::number(e.facts.machine);
    case Received: return QString::number(e.records);
    case Added: return QString::number(e.added);
    case File: { // the file that took the records, and where the others already were
        QString file = QDir::toNativeSeparators(e.file);
        for (const EarlierFile &earlier : e.earlier)
            file += tr("; %1 already in %2").arg(earlier.records).arg(QDir::toNativeSeparators(earlier.path));
        return file;
    }
    case Result: return e.outcome;
    }
    return {};
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    const HistoryEntry &e = m_entries[index.row()];
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return text(e, column);
    case Qt::ForegroundRole: return endingColour(e.ending).isValid() ? QVariant(endingColour(e.ending)) : QVariant();
    case Qt::TextAlignmentRole: return isNumber(column) ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case kSortRole:
        return column == Time ? QVariant(e.facts.started)
            : column == Machine ? QVariant(e.facts.machine)
            : column == Received ? QVariant(e.records)
            : column == Added ? QVariant(e.added)
                              : QVariant(text(e, column));
    }
    return {};
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Time: return tr("Time");
    case Port: return tr("Port");
    case Machine: return tr("Mach#");
    case Received: return tr("Received");
    case Added: return tr("Added");
    case File: return tr("File");
    case Result: return tr("Result");
    }
    return {};
}

HistoryFilter::HistoryFilter(HistoryModel *history, QObject *parent) : QSortFilterProxyModel(parent), m_history(history)
{
    setSourceModel(history);
    setSortRole(HistoryModel::kSortRole);
}

void HistoryFilter::setFilter(std::optional<int> machine, std::optional<QString> port, const QDate &firstDay)
{
    m_machine = machine;
    m_port = std::move(port);
    m_firstDay = firstDay;
    invalidateFilter();
}

bool HistoryFilter::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    const HistoryEntry &e = m_history->entry(sourceRow);
    return (!m_machine || e.facts.machine == *m_machine) && (!m_port || e.facts.port == *m_port)
        && (!m_firstDay.isValid() || e.facts.started.toLocalTime().date() >= m_firstDay);
}

// Texts in the reader's order: COM2 before COM10, station2.txt before station10.txt.
bool HistoryFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const QVariant a = left.data(sortRole()), b = right.data(sortRole());
    if (a.typeId() != QMetaType::QString || b.typeId() != QMetaType::QString)
        return QSortFilterProxyModel::lessThan(left, right);
    static const QCollator collator = [] {
        QCollator c;
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(a.toString(), b.toString()) < 0;
}

const HistoryEntry &HistoryFilter::entry(int row) const { return m_history->entry(mapToSource(index(row, 0)).row()); }

QList<HistoryEntry> HistoryFilter::shownEntries() const
{
    QList<HistoryEntry> shown;
    for (int row = 0; row < rowCount(); ++row)
        shown << entry(row);
    return shown;
}

QList<QStringList> HistoryFilter::shownTable() const
{
    QList<QStringList> table(1);
    for (int column = 0; column < columnCount(); ++column)
        table[0] << headerData(column, Qt::Horizontal).toString();
    for (int row = 0; row < rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < columnCount(); ++column)
            cells << index(row, column).data().toString();
        table << cells;
    }
    return table;
}

} // namespace vx
