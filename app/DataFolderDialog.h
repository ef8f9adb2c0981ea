// The download folder chooser: a drive list (the file-system roots and
// mounted volumes) and a folder list; OK returns the folder that is open.
#pragma once

#include <QDialog>

class FolderList;
class QComboBox;

namespace vx {
class Dialogs;
}

class DataFolderDialog : public QDialog
{
    Q_OBJECT
public:
    explicit DataFolderDialog(vx::Dialogs &dialogs, QWidget *parent = nullptr);

    // Presets the folder (loading the dialog afresh); errors are shown and
    // the lists keep what they showed.
    void setFolder(const QString &path);
    // The preset folder until OK, then the folder open at that moment.
    QString folder() const { return m_path; }
    // Whether OK chose the folder (since the dialog was last loaded).
    bool isChosen() const { return m_chosen; }

    // The roots offered in the drive list: the file-system root, the user's
    // home folder, then the mounted volumes that can take data files.
    static QStringList driveRoots();
    // Whether a mounted volume can take data files: not read-only (a snap
    // package, a CD), not held in memory (tmpfs), not the system's own
    // (/boot, /boot/efi, /run/user, /snap, /proc, /sys, /dev).
    static bool isDataVolume(const QString &root, const QByteArray &fileSystemType, bool readOnly);
    // The root among roots that holds the path; empty when none does.
    static QString driveOf(const QString &path, const QStringList &roots);

protected:
    void done(int result) override;

private:
    void load();
    bool openDrive();
    void chooseOpenFolder();
    bool selectDrive(const QString &root);
    void showError(const QString &description);

    vx::Dialogs &m_dialogs;
    QComboBox *m_driveBox;
    FolderList *m_folderList;
    QString m_path;
    bool m_chosen = false;
    bool m_loaded = false;
};
