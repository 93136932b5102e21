#include "controls/dirlistbox.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

namespace {

constexpr int IndentPx = 12;

// Draws each entry shifted right by its depth, so the list reads as a tree of the current path.
class IndentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() + indent(index));
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
    }

private:
    static int indent(const QModelIndex &index)
    {
        return index.data(DirListBox::LevelRole).toInt() * IndentPx;
    }
};

QString cleanAbsolute(const QString &path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}

} // namespace

DirListBox::DirListBox(QWidget *parent)
    : QListWidget(parent)
{
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAccessibleName(tr("Folders"));
    connect(this, &QListWidget::itemClicked, this, &DirListBox::Click);
    connect(this, &QListWidget::itemDoubleClicked, this, &DirListBox::enter);
    fill(QDir::currentPath());
}

bool DirListBox::setPath(const QString &path)
{
    const QString target = cleanAbsolute(path);
    const bool changed = target != m_path;
    if (!fill(target))
        return false;
    if (changed)
        emit Change();
    return true;
}

void DirListBox::refresh()
{
    fill(m_path);
}

QString DirListBox::highlightedPath() const
{
    const QListWidgetItem *item = currentItem();
    return item ? item->data(PathRole).toString() : QString();
}

bool DirListBox::fill(const QString &path)
{
    const QFileInfo info(path);
    const QDir dir(path);
    if (!info.isDir() || !info.isExecutable() || !dir.isReadable())
        return false;
    const QStringList subfolders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                                 QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);

    QStringList chain; // from the root down to the folder itself
    for (QString p = path;; p = QFileInfo(p).path()) {
        chain.prepend(p);
        if (QDir(p).isRoot() || p == QFileInfo(p).path())
            break;
    }

    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    clear();
    int level = 0;
    for (const QString &p : chain) {
        const QString name =
            QDir(p).isRoot() ? QDir::toNativeSeparators(p) : QFileInfo(p).fileName();
        auto *item = new QListWidgetItem(open, name, this);
        item->setData(PathRole, p);
        item->setData(LevelRole, level++);
        item->setToolTip(QDir::toNativeSeparators(p));
    }
    const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    for (const QString &name : subfolders) {
        auto *item = new QListWidgetItem(closed, name, this);
        item->setData(PathRole, prefix + name);
        item->setData(LevelRole, level);
        item->setToolTip(QDir::toNativeSeparators(prefix + name));
    }
    m_path = path;
    setCurrentRow(chain.size() - 1);
    return true;
}

void DirListBox::enter(QListWidgetItem *item)
{
    if (item)
        setPath(item->data(PathRole).toString());
}

void DirListBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        enter(currentItem());
        event->accept();
        return;
    }
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before)
        emit Click();
}
