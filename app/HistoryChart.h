// Records added per day over the last 30 days, one colour per machine
// number; a mark over each day with a failed, a stopped or a not started
// download; the legend counts each kind of ending over the 30 days.
#pragma once

#include "Ledger.h"

#include <QDate>
#include <QMap>
#include <QWidget>

class HistoryChart : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kDays = 30;

    // How the downloads of the period ended, for the legend.
    struct Counts {
        int cleared = 0;    // complete, the terminal cleared
        int notCleared = 0; // complete, the terminal still holds the records
        int stopped = 0;
        int failed = 0;
        int notStarted = 0;
    };

    HistoryChart(const QList<vx::HistoryEntry> &entries, const QDate &today, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {720, 200}; }

    // Records per machine number on the day `daysAgo` before today (0: today).
    QMap<int, int> recordsOn(int daysAgo) const { return m_records.value(daysAgo); }
    // Downloads of that day that ended so.
    int endedOn(int daysAgo, vx::Ending ending) const { return m_ended.value(daysAgo).value(int(ending)); }
    const Counts &counts() const { return m_counts; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QDate m_today;
    QMap<int, QMap<int, int>> m_records; // days ago -> machine -> records
    QMap<int, QMap<int, int>> m_ended;   // days ago -> ending -> downloads
    Counts m_counts;
    QList<int> m_machines;
};
