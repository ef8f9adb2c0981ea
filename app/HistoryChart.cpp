#include "HistoryChart.h"

#include <QPainter>

#include <algorithm>

namespace {
QColor machineColour(int index)
{
    static const QColor colours[] = {QColor(0x2A, 0x6F, 0xB0), QColor(0x3C, 0x9D, 0x5D), QColor(0x7B, 0x4F, 0xA8),
                                     QColor(0x1F, 0x9E, 0xA8), QColor(0x8C, 0x6D, 0x46), QColor(0x55, 0x55, 0x55)};
    return colours[index % std::size(colours)];
}

const QColor kFailed(0xC0, 0x10, 0x20), kStopped(0xD9, 0x8C, 0x1F), kNotStarted(0x80, 0x80, 0x80),
    kNotCleared(0x33, 0x33, 0x33);

// The mark of one kind of ending, centred on c.
void drawMark(QPainter &p, HistoryChart::Mark mark, const QPointF &c)
{
    using Mark = HistoryChart::Mark;
    p.save();
    switch (mark) {
    case Mark::Failed: // a cross
        p.setPen(QPen(kFailed, 2));
        p.drawLine(c + QPointF(-4, -4), c + QPointF(4, 4));
        p.drawLine(c + QPointF(-4, 4), c + QPointF(4, -4));
        break;
    case Mark::Stopped: // a bar: the download was cut short on purpose
        p.fillRect(QRectF(c.x() - 4, c.y() - 2, 8, 4), kStopped);
        break;
    case Mark::NotStarted: // a ring: nothing reached the terminal
        p.setPen(QPen(kNotStarted, 1.5));
        p.drawEllipse(c, 3.5, 3.5);
        break;
    case Mark::NotCleared: // a hollow square: the terminal still holds them
        p.setPen(QPen(kNotCleared, 1.5));
        p.drawRect(QRectF(c.x() - 3.5, c.y() - 3.5, 7, 7));
        break;
    case Mark::Cleared:
        break;
    }
    p.restore();
}
} // namespace

HistoryChart::Mark HistoryChart::markOf(const vx::HistoryEntry &e)
{
    switch (e.ending) {
    case vx::Ending::Complete: return e.cleared ? Mark::Cleared : Mark::NotCleared;
    case vx::Ending::Stopped: return Mark::Stopped;
    case vx::Ending::Failed: return Mark::Failed;
    case vx::Ending::NotStarted: return Mark::NotStarted;
    }
    return Mark::Failed;
}

HistoryChart::HistoryChart(const QList<vx::HistoryEntry> &entries, const QDate &today, QWidget *parent)
    : QWidget(parent), m_today(today)
{
    setObjectName(QStringLiteral("historyChart"));
    setAccessibleName(tr("Records downloaded per day"));
    for (const vx::HistoryEntry &e : entries)
        if (!m_colours.contains(e.facts.machine))
            m_colours << e.facts.machine;
    std::sort(m_colours.begin(), m_colours.end());
    setShown(entries);
}

void HistoryChart::setShown(const QList<vx::HistoryEntry> &entries)
{
    m_records.clear();
    m_ended.clear();
    m_counts.clear();
    m_machines.clear();
    for (const vx::HistoryEntry &e : entries) {
        const qint64 daysAgo = e.facts.started.toLocalTime().date().daysTo(m_today);
        if (daysAgo < 0 || daysAgo >= kDays)
            continue;
        const Mark mark = markOf(e);
        ++m_ended[int(daysAgo)][int(mark)];
        ++m_counts[int(mark)];
        if (mark == Mark::NotStarted)
            continue; // no records, no machine
        m_records[int(daysAgo)][e.facts.machine] += e.added;
        if (!m_machines.contains(e.facts.machine))
            m_machines << e.facts.machine;
    }
    std::sort(m_machines.begin(), m_machines.end());
    update();
}

// The legend's five kinds of ending fit beside the plot, one a line.
QSize HistoryChart::minimumSizeHint() const { return {480, 5 * (fontMetrics().height() + 4) + 8}; }

QSize HistoryChart::sizeHint() const { return {720, 7 * (fontMetrics().height() + 4) + 8}; }

void HistoryChart::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().base());
    const QFontMetrics fm = p.fontMetrics();
    // Beside the plot, the legend: each kind of ending with its count, then
    // a column of the machines' colours.
    const int line = fm.height() + 4;
    const std::pair<Mark, const char *> endings[] = {{Mark::Cleared, QT_TR_NOOP("cleared (%1)")},
                                                     {Mark::NotCleared, QT_TR_NOOP("not cleared (%1)")},
                                                     {Mark::Stopped, QT_TR_NOOP("stopped (%1)")},
                                                     {Mark::Failed, QT_TR_NOOP("failed (%1)")},
                                                     {Mark::NotStarted, QT_TR_NOOP("not started (%1)")}};
    int endingsWidth = 0;
    for (const auto &ending : endings)
        endingsWidth = std::max(endingsWidth, 30 + fm.horizontalAdvance(tr(ending.second).arg(8888)));
    const int machinesWidth = m_machines.isEmpty() ? 0 : 30 + fm.horizontalAdvance(tr("Mach# %1").arg(8888));
    const QRect plot = rect().adjusted(fm.horizontalAdvance(QStringLiteral("00000")) + 8, fm.height() + 8,
                                       -(endingsWidth + machinesWidth + 16), -(fm.height() + 8));
    int most = 1;
    for (const auto &day : m_records) {
        int sum = 0;
        for (int n : day)
            sum += n;
        most = std::max(most, sum);
    }
    p.setPen(palette().text().color());
    p.drawText(QRect(plot.left(), 2, plot.width(), fm.height()), Qt::AlignLeft,
               tr("Records downloaded per day, last %1 days, of the downloads listed").arg(kDays));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());
    p.drawText(QRect(0, plot.top() - fm.height() / 2, plot.left() - 4, fm.height()), Qt::AlignRight, QString::number(most));
    p.drawText(QRect(0, plot.bottom() - fm.height() / 2, plot.left() - 4, fm.height()), Qt::AlignRight, QStringLiteral("0"));

    const double slot = double(plot.width()) / kDays;
    for (int daysAgo = 0; daysAgo < kDays; ++daysAgo) {
        const double x = plot.left() + (kDays - 1 - daysAgo) * slot;
        double top = plot.bottom();
        const QMap<int, int> day = m_records.value(daysAgo);
        for (auto it = day.begin(); it != day.end(); ++it) {
            const double h = double(it.value()) / most * plot.height();
            p.fillRect(QRectF(x + slot * 0.15, top - h, slot * 0.7, h), machineColour(int(m_colours.indexOf(it.key()))));
            top -= h;
        }
        // The marks over the day, one above the other.
        double markY = top - 8;
        for (Mark mark : {Mark::NotCleared, Mark::Stopped, Mark::Failed, Mark::NotStarted})
            if (endedOn(daysAgo, mark) > 0) {
                drawMark(p, mark, QPointF(x + slot / 2, markY));
                markY -= 11;
            }
        if (daysAgo % 7 == 0)
            p.drawText(QRectF(x - slot, plot.bottom() + 4, slot * 3, fm.height()), Qt::AlignHCenter,
                       m_today.addDays(-daysAgo).toString(QStringLiteral("MM-dd")));
    }
    // The legend: each kind of ending with its count over the period, then
    // one colour per machine number, as many as there are lines.
    int y = 4;
    for (const auto &[mark, text] : endings) {
        drawMark(p, mark, QPointF(plot.right() + 22, y + fm.height() / 2.0));
        p.drawText(plot.right() + 34, y + fm.ascent(), tr(text).arg(ended(mark)));
        y += line;
    }
    const int x = plot.right() + 16 + endingsWidth, lines = std::max(1, (height() - 4) / line);
    for (int i = 0; i < m_machines.size(); ++i) {
        const int top = 4 + i * line;
        if (i == lines - 1 && m_machines.size() > lines) {
            p.drawText(x, top + fm.ascent(), tr("+%1 more").arg(m_machines.size() - i));
            break;
        }
        p.fillRect(QRect(x, top + 2, 12, fm.height() - 4), machineColour(int(m_colours.indexOf(m_machines[i]))));
        p.drawText(x + 18, top + fm.ascent(), tr("Mach# %1").arg(m_machines[i]));
    }
}
