// Records added per day over the last 30 days, one colour per machine
// number; a mark over each day with a download not cleared, stopped, failed
// or not started; the legend counts each kind of ending over the 30 days.
// It shows the downloads it is given (those the history's table shows); a
// machine keeps its colour whichever of them are shown.
#pragma once

#include "download/Ledger.h"

#include <QDate>
#include <QMap>
#include <QWidget>

class HistoryChart : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kDays = 30;

    // How a download ended, as the chart marks it.
    enum class Mark {
        Cleared,    // complete, the terminal cleared: no mark
        NotCleared, // complete, the terminal still holds the records
        Stopped,
        Failed,
        NotStarted,
    };
    static Mark markOf(const vx::HistoryEntry &entry);

    HistoryChart(const QList<vx::HistoryEntry> &entries, const QDate &today, QWidget *parent = nullptr);
    void setShown(const QList<vx::HistoryEntry> &entries);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Records per machine number on the day `daysAgo` before today (0: today).
    QMap<int, int> recordsOn(int daysAgo) const { return m_records.value(daysAgo); }
    // Downloads of that day, and of the whole period, that ended so.
    int endedOn(int daysAgo, Mark mark) const { return m_ended.value(daysAgo).value(int(mark)); }
    int ended(Mark mark) const { return m_counts.value(int(mark)); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QDate m_today;
    QMap<int, QMap<int, int>> m_records; // days ago -> machine -> records
    QMap<int, QMap<int, int>> m_ended;   // days ago -> mark -> downloads
    QMap<int, int> m_counts;             // mark -> downloads of the period
    QList<int> m_machines; // of the downloads shown
    QList<int> m_colours;  // machine numbers in the order of their colours
};
