#include "controls/filelistbox.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>

FileListBox::FileListBox(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAccessibleName(tr("Files"));
    connect(this, &QListWidget::itemDoubleClicked, this, &FileListBox::DblClick);
    fill(QDir::currentPath());
}

bool FileListBox::setPath(const QString &path)
{
    return fill(QDir::cleanPath(QDir(path).absolutePath()));
}

void FileListBox::refresh()
{
    fill(m_path);
}

QString FileListBox::fileName() const
{
    const QListWidgetItem *item = currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

bool FileListBox::fill(const QString &path)
{
    const QFileInfo info(path);
    const QDir dir(path);
    if (!info.isDir() || !info.isExecutable() || !dir.isReadable())
        return false;
    // No name pattern: every file, hidden ones too.
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden,
                                            QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    clear();
    addItems(files);
    m_path = path;
    return true;
}

void FileListBox::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        event->accept();
        emit DblClick();
        return;
    }
    QListWidget::keyPressEvent(event);
}
