// "Download History": every download the ledger knows, newest first, with
// how it ended; sorted by any column, narrowed to a machine, a port or a
// period, the rows shown exported as CSV, a download's folder opened; and
// how long the history is kept.
#pragma once

#include "download/Ledger.h"

#include <QDate>
#include <QDialog>

class HistoryChart;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;

namespace vx {
class Dialogs;
class HistoryFilter;
class SettingsStore;
}

class HistoryDialog : public QDialog
{
    Q_OBJECT
public:
    // The chart and the periods end on `today` (the PC's date unless given).
    HistoryDialog(const QList<vx::HistoryEntry> &entries, vx::SettingsStore &settings, vx::Dialogs &dialogs,
                  QDate today = {}, QWidget *parent = nullptr);

private:
    const vx::HistoryEntry *selectedEntry() const;
    void filterChanged();
    void selectionChanged();
    void exportShown();
    void openFolder();

    vx::Dialogs &m_dialogs;
    QDate m_today;
    vx::HistoryFilter *m_filter;
    HistoryChart *m_chart;
    QTableView *m_table;
    QComboBox *m_machineBox;
    QComboBox *m_portBox;
    QComboBox *m_periodBox;
    QLabel *m_shownLabel;
    QLabel *m_savedLabel;
    QPushButton *m_exportButton;
    QPushButton *m_openFolderButton;
    QSpinBox *m_daysBox;
    QCheckBox *m_keepRecordsBox;
};
