// A folder list: the open folder's ancestors from the root down, the open
// folder itself, and its subfolders below it, each indented by its depth.
// A double-click (or Enter) on a folder opens it.
#pragma once

#include <QTreeWidget>

class FolderList : public QTreeWidget
{
    Q_OBJECT
public:
    explicit FolderList(QWidget *parent = nullptr);

    // The open folder, in native form.
    QString path() const { return m_path; }
    // Opens a folder; on failure the list keeps what it showed and error
    // receives the platform's description.
    bool setPath(const QString &folder, QString *error);

signals:
    // A folder could not be opened by the operator.
    void openFailed(const QString &description);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openItem(QTreeWidgetItem *item);
    void fill(const QString &folder, const QStringList &children);

    QString m_path;
};

// Why a folder cannot be listed, in the platform's words; empty when it can.
QString folderError(const QString &folder);
