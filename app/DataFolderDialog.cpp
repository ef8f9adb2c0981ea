#include "DataFolderDialog.h"

#include "Dialogs.h"
#include "FolderList.h"

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
    setWindowTitle(tr("Path"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);

    auto *label = new QLabel(tr("Look in:"), this);
    label->setObjectName(QStringLiteral("lookInLabel"));
    label->setAccessibleName(tr("Look in:"));

    m_driveBox = new QComboBox(this);
    m_driveBox->setObjectName(QStringLiteral("driveBox"));
    m_driveBox->setAccessibleName(tr("Drive"));
    label->setBuddy(m_driveBox);

    m_folderList = new FolderList(this);
    m_folderList->setObjectName(QStringLiteral("folderList"));
    m_folderList->setAccessibleName(tr("Folder"));
    m_folderList->setMinimumSize(240, 230);

    auto *ok = new QPushButton(tr("OK"), this);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    ok->setAccessibleName(tr("OK"));
    cancel->setAccessibleName(tr("Cancel"));
    ok->setDefault(true);
    cancel->setAutoDefault(false);

    auto *grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_driveBox, 1, 0);
    grid->addWidget(m_folderList, 2, 0);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 1, 1, 2, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_driveBox, &QComboBox::currentIndexChanged, this, [this] { openDrive(); });
    connect(m_folderList, &FolderList::openFailed, this, &DataFolderDialog::showError);
    connect(ok, &QPushButton::clicked, this, &DataFolderDialog::chooseOpenFolder);
    connect(cancel, &QPushButton::clicked, this, [this] {
        m_chosen = false;
        reject();
    });
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

void DataFolderDialog::load()
{
    m_chosen = false;
    m_loaded = true;
    // The lists start on the program's current drive and folder.
    const QSignalBlocker quiet(m_driveBox);
    m_driveBox->clear();
    for (const QString &root : driveRoots())
        m_driveBox->addItem(QDir::toNativeSeparators(root), root);
    const QString current = QDir::currentPath();
    const int at = m_driveBox->findData(driveOf(current, driveRoots()));
    m_driveBox->setCurrentIndex(at < 0 ? 0 : at);
    QString why;
    if (!m_folderList->setPath(QDir::toNativeSeparators(current), &why))
        m_folderList->setPath(QDir::toNativeSeparators(QDir::rootPath()), nullptr);
}

void DataFolderDialog::setFolder(const QString &path)
{
    if (!m_loaded)
        load();
    m_path = path;
    const QString root = driveOf(path, driveRoots());
    if (root.isEmpty()) {
        showError(tr("%1: Path not found").arg(path));
        return;
    }
    if (!selectDrive(root))
        return;
    QString why;
    if (!m_folderList->setPath(path, &why))
        showError(why);
}

bool DataFolderDialog::selectDrive(const QString &root)
{
    int at = m_driveBox->findData(root);
    if (at < 0) {
        m_driveBox->addItem(QDir::toNativeSeparators(root), root);
        at = m_driveBox->count() - 1;
    }
    if (at == m_driveBox->currentIndex())
        return true;
    {
        const QSignalBlocker quiet(m_driveBox);
        m_driveBox->setCurrentIndex(at);
    }
    return openDrive();
}

bool DataFolderDialog::openDrive()
{
    // The folder list moves to the picked drive; when that fails the drive
    // list stays on the drive just picked and the folder list where it was.
    const QString root = m_driveBox->currentData().toString();
    QString why;
    if (m_folderList->setPath(QDir::toNativeSeparators(root), &why))
        return true;
    showError(why);
    return false;
}

void DataFolderDialog::chooseOpenFolder()
{
    m_path = m_folderList->path();
    m_chosen = true;
    accept();
}

void DataFolderDialog::done(int result)
{
    // Closing unloads the window; folder() and isChosen() stay readable.
    m_loaded = false;
    QDialog::done(result);
}

void DataFolderDialog::showError(const QString &description)
{
    m_dialogs.ask({.title = vx::appTitle(), .text = description});
}
