#include "DataFolderDialog.h"

#include "Dialogs.h"
#include "FolderList.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QVBoxLayout>

DataFolderDialog::DataFolderDialog(vx::Dialogs &dialogs, QWidget *parent) : QDialog(parent), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("DataFolderDialog"));
    setWindowTitle(QStringLiteral("Path"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);

    auto *label = new QLabel(QStringLiteral("Look in:"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setAccessibleName(QStringLiteral("Look in:"));

    drvDownloadSaved = new QComboBox(this);
    drvDownloadSaved->setObjectName(QStringLiteral("drvDownloadSaved"));
    drvDownloadSaved->setAccessibleName(QStringLiteral("Drive"));
    label->setBuddy(drvDownloadSaved);

    dirDownloadSaved = new FolderList(this);
    dirDownloadSaved->setObjectName(QStringLiteral("dirDownloadSaved"));
    dirDownloadSaved->setAccessibleName(QStringLiteral("Folder"));
    dirDownloadSaved->setMinimumSize(240, 230);

    cmdCtrl = new QButtonGroup(this);
    cmdCtrl->setObjectName(QStringLiteral("cmdCtrl"));
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setObjectName(QStringLiteral("cmdCtrl(%1)").arg(vx::kCtrlOK));
    cancel->setObjectName(QStringLiteral("cmdCtrl(%1)").arg(vx::kCtrlCancel));
    ok->setAccessibleName(QStringLiteral("OK"));
    cancel->setAccessibleName(QStringLiteral("Cancel"));
    ok->setDefault(true);
    cancel->setAutoDefault(false);
    cmdCtrl->addButton(ok, vx::kCtrlOK);
    cmdCtrl->addButton(cancel, vx::kCtrlCancel);

    auto *grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(drvDownloadSaved, 1, 0);
    grid->addWidget(dirDownloadSaved, 2, 0);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 1, 1, 2, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(drvDownloadSaved, &QComboBox::currentIndexChanged, this, [this] { drvDownloadSaved_Change(); });
    connect(dirDownloadSaved, &FolderList::openFailed, this, &DataFolderDialog::showError);
    connect(cmdCtrl, &QButtonGroup::idClicked, this, &DataFolderDialog::cmdCtrl_Click);
}

bool DataFolderDialog::isDataVolume(const QString &root, const QByteArray &fileSystemType, bool readOnly)
{
    if (root == QDir::rootPath())
        return true;
    if (readOnly)
        return false;
    static const QByteArrayList memory{"tmpfs", "devtmpfs", "ramfs", "squashfs", "efivarfs", "autofs"};
    if (memory.contains(fileSystemType) || fileSystemType.startsWith("fuse.portal")
        || fileSystemType.startsWith("fuse.gvfs"))
        return false;
    static const QStringList system{QStringLiteral("/boot"), QStringLiteral("/run/user"), QStringLiteral("/run/snapd"),
                                    QStringLiteral("/snap"), QStringLiteral("/var/snap"), QStringLiteral("/var/lib/snapd"),
                                    QStringLiteral("/proc"), QStringLiteral("/sys"), QStringLiteral("/dev")};
    for (const QString &folder : system)
        if (root == folder || root.startsWith(folder + QLatin1Char('/')))
            return false;
    return true;
}

QStringList DataFolderDialog::driveRoots()
{
    QStringList roots{QDir::rootPath()};
    const QString home = QDir::homePath();
    if (!roots.contains(home))
        roots.append(home);
    QStringList volumes;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (!root.isEmpty() && !roots.contains(root) && !volumes.contains(root)
            && isDataVolume(root, volume.fileSystemType(), volume.isReadOnly()))
            volumes.append(root);
    }
    volumes.sort();
    return roots + volumes;
}

QString DataFolderDialog::driveOf(const QString &path, const QStringList &roots)
{
    const QString p = QDir::fromNativeSeparators(path);
    if (!QDir::isAbsolutePath(p))
        return QString();
    const QString clean = QDir::cleanPath(p);
    QString best;
    for (const QString &root : roots) {
        const QString r = QDir::fromNativeSeparators(root);
        const bool inside = clean.compare(r, Qt::CaseInsensitive) == 0
            || clean.startsWith(r.endsWith(QLatin1Char('/')) ? r : r + QLatin1Char('/'),
#ifdef Q_OS_WIN
                                Qt::CaseInsensitive
#else
                                Qt::CaseSensitive
#endif
            );
        if (inside && r.size() > best.size())
            best = root;
    }
    return best;
}

void DataFolderDialog::Form_Load()
{
    m_isOk = false;
    m_loaded = true;
    // The lists start on the program's current drive and folder.
    const QSignalBlocker quiet(drvDownloadSaved);
    drvDownloadSaved->clear();
    for (const QString &root : driveRoots())
        drvDownloadSaved->addItem(QDir::toNativeSeparators(root), root);
    const QString current = QDir::currentPath();
    const int at = drvDownloadSaved->findData(driveOf(current, driveRoots()));
    drvDownloadSaved->setCurrentIndex(at < 0 ? 0 : at);
    QString why;
    if (!dirDownloadSaved->setPath(QDir::toNativeSeparators(current), &why))
        dirDownloadSaved->setPath(QDir::toNativeSeparators(QDir::rootPath()), nullptr);
}

void DataFolderDialog::Path(const QString &path)
{
    if (!m_loaded)
        Form_Load();
    m_path = path;
    const QString root = driveOf(path, driveRoots());
    if (root.isEmpty()) {
        showError(QStringLiteral("%1: Path not found").arg(path));
        return;
    }
    if (!selectDrive(root))
        return;
    QString why;
    if (!dirDownloadSaved->setPath(path, &why))
        showError(why);
}

bool DataFolderDialog::selectDrive(const QString &root)
{
    int at = drvDownloadSaved->findData(root);
    if (at < 0) {
        drvDownloadSaved->addItem(QDir::toNativeSeparators(root), root);
        at = drvDownloadSaved->count() - 1;
    }
    if (at == drvDownloadSaved->currentIndex())
        return true;
    {
        const QSignalBlocker quiet(drvDownloadSaved);
        drvDownloadSaved->setCurrentIndex(at);
    }
    return drvDownloadSaved_Change();
}

bool DataFolderDialog::drvDownloadSaved_Change()
{
    // The folder list moves to the picked drive; when that fails the drive
    // list stays on the drive just picked and the folder list where it was.
    const QString root = drvDownloadSaved->currentData().toString();
    QString why;
    if (dirDownloadSaved->setPath(QDir::toNativeSeparators(root), &why))
        return true;
    showError(why);
    return false;
}

void DataFolderDialog::cmdCtrl_Click(int index)
{
    if (index == vx::kCtrlOK) {
        m_path = dirDownloadSaved->path();
        m_isOk = true;
        accept();
    } else if (index == vx::kCtrlCancel) {
        m_isOk = false;
        reject();
    }
}

void DataFolderDialog::done(int result)
{
    // Closing unloads the window; Path and IsOK stay readable.
    m_loaded = false;
    QDialog::done(result);
}

void DataFolderDialog::showError(const QString &description)
{
    m_dialogs.ask({vx::Icon::None, vx::Buttons::Ok, vx::appTitle(), description});
}
