// The download history as a table (one row per download: its time, port,
// machine number, records received and added, file and result), and the
// view of it the dialog shows: sorted by any column (numbers as numbers, the
// time as a time) and narrowed to one machine, one port and a period.
#pragma once

#include "download/Ledger.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QSortFilterProxyModel>
#include <optional>

namespace vx {

class HistoryModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Time, Port, Machine, Received, Added, File, Result, ColumnCount };
    // What a column sorts by: the time, a number, or the text.
    static constexpr int kSortRole = Qt::UserRole;

    explicit HistoryModel(QList<HistoryEntry> entries, QObject *parent = nullptr);
    const HistoryEntry &entry(int row) const { return m_entries[row]; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString text(const HistoryEntry &entry, int column) const;

    QList<HistoryEntry> m_entries;
};

// The rows shown: of one machine, of one port, started on `firstDay` or
// later; each of them unset lets every download through.
class HistoryFilter : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit HistoryFilter(HistoryModel *history, QObject *parent = nullptr);

    void setFilter(std::optional<int> machine, std::optional<QString> port, const QDate &firstDay);

    const HistoryEntry &entry(int row) const;
    QList<HistoryEntry> shownEntries() const;
    // The header, then every row shown, as the table shows them.
    QList<QStringList> shownTable() const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    HistoryModel *m_history;
    std::optional<int> m_machine;
    std::optional<QString> m_port;
    QDate m_firstDay;
};

} // namespace vx
