// Records downloaded per day over the last 30 days, one colour per machine
// number, with a red mark over each day that had a failed download.
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

    HistoryChart(const QList<vx::HistoryEntry> &entries, const QDate &today, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {720, 200}; }

    // Records per machine number on the day `daysAgo` before today (0: today).
    QMap<int, int> recordsOn(int daysAgo) const { return m_records.value(daysAgo); }
    int failuresOn(int daysAgo) const { return m_failures.value(daysAgo); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QDate m_today;
    QMap<int, QMap<int, int>> m_records; // days ago -> machine -> records
    QMap<int, int> m_failures;           // days ago -> failed downloads
    QList<int> m_machines;
};
