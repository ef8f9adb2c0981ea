#include "UpDown.h"

#include "terminal/Numbers.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

UpDown::UpDown(QLineEdit *buddy, int minimum, int maximum, const QString &name, QWidget *parent)
    : QWidget(parent), m_buddy(buddy), m_min(minimum), m_max(maximum)
{
    m_up = new QToolButton(this);
    m_down = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    m_up->setAccessibleName(tr("Increase %1").arg(name));
    m_down->setAccessibleName(tr("Decrease %1").arg(name));
    for (QToolButton *b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(16, 11);
        b->setIconSize(QSize(7, 7));
    }
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_up);
    column->addWidget(m_down);
    setAccessibleName(name);
    connect(m_up, &QToolButton::clicked, this, [this] { step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(-1); });
}

void UpDown::step(int by)
{
    const double value = vx::leadingNumber(m_buddy->text());
    const int current = std::isfinite(value) ? static_cast<int>(std::clamp(value, -1e9, 1e9)) : m_min;
    m_buddy->setText(QString::number(std::clamp(current + by, m_min, m_max)));
}
