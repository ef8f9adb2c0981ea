#include "FolderList.h"

#include <QDir>
#include <QFileIconProvider>
#include <QKeyEvent>
#include <filesystem>
#include <system_error>

QString folderError(const QString &folder)
{
    if (folder.isEmpty())
        return FolderList::tr("Path not found");
    const std::filesystem::path p(QDir::fromNativeSeparators(folder).toStdU16String());
    std::error_code ec;
    const auto status = std::filesystem::status(p, ec);
    if (ec)
        return QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(ec.message()));
    if (!std::filesystem::is_directory(status))
        return FolderList::tr("%1: Not a folder").arg(folder);
    std::filesystem::directory_iterator it(p, ec);
    if (ec)
        return QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(ec.message()));
    return QString();
}

FolderList::FolderList(QWidget *parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(14);
    // Every level is always open: no expand arrows.
    setStyleSheet(QStringLiteral("QTreeView::branch { image: none; border-image: none; }"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) { openItem(item); });
}

bool FolderList::setPath(const QString &folder, QString *error)
{
    const QString why = folderError(folder);
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    const QDir dir(QDir::cleanPath(QDir(QDir::fromNativeSeparators(folder)).absolutePath()));
    const QStringList children =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    fill(dir.absolutePath(), children);
    return true;
}

void FolderList::fill(const QString &folder, const QStringList &children)
{
    m_path = QDir::toNativeSeparators(folder);
    clear();
    QFileIconProvider icons;
    const QIcon icon = icons.icon(QFileIconProvider::Folder);

    // Ancestors from the root down to the open folder, each inside the last.
    QStringList chain;
    for (QDir d(folder);;) {
        chain.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp())
            break;
    }
    QTreeWidgetItem *current = nullptr;
    for (const QString &p : chain) {
        const QString name = QDir(p).isRoot() ? QDir::toNativeSeparators(p) : QDir(p).dirName();
        auto *item = current ? new QTreeWidgetItem(current) : new QTreeWidgetItem(this);
        item->setText(0, name);
        item->setIcon(0, icon);
        item->setData(0, Qt::UserRole, p);
        current = item;
    }
    for (const QString &child : children) {
        auto *item = new QTreeWidgetItem(current);
        item->setText(0, child);
        item->setIcon(0, icon);
        item->setData(0, Qt::UserRole, QDir(folder).filePath(child));
    }
    expandAll();
    QFont bold = current->font(0);
    bold.setBold(true);
    current->setFont(0, bold);
    setCurrentItem(current);
    scrollToItem(current);
}

void FolderList::openItem(QTreeWidgetItem *item)
{
    if (!item)
        return;
    QString why;
    if (!setPath(item->data(0, Qt::UserRole).toString(), &why))
        emit openFailed(why);
}

void FolderList::keyPressEvent(QKeyEvent *event)
{
    // Enter on a highlighted folder opens it; on the open folder it goes on
    // to the dialog (its default button).
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()
        && QDir::toNativeSeparators(currentItem()->data(0, Qt::UserRole).toString()) != m_path) {
        openItem(currentItem());
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}
