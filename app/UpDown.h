// A spin control beside a text box: its arrows step the number in the box
// (read leniently) within a range.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

class UpDown : public QWidget
{
    Q_OBJECT
public:
    UpDown(QLineEdit *buddy, int minimum, int maximum, const QString &name, QWidget *parent = nullptr);

    void step(int by);

private:
    QLineEdit *m_buddy;
    QToolButton *m_up;
    QToolButton *m_down;
    int m_min;
    int m_max;
};
