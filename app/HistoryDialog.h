// "Download History": every download the ledger knows, newest first, with
// how it ended; and how long the history is kept.
#pragma once

#include "download/Ledger.h"

#include <QDate>
#include <QDialog>

class QCheckBox;
class QSpinBox;
class QTableWidget;

namespace vx {
class SettingsStore;
}

class HistoryDialog : public QDialog
{
    Q_OBJECT
public:
    // The chart ends on `today` (the PC's date unless given).
    HistoryDialog(const QList<vx::HistoryEntry> &entries, vx::SettingsStore &settings, QDate today = {},
                  QWidget *parent = nullptr);

private:
    QTableWidget *m_table;
    QSpinBox *m_daysBox;
    QCheckBox *m_keepRecordsBox;
};
