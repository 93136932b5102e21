#include "controls/drivelistbox.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QStorageInfo>

DriveListBox::DriveListBox(QWidget *parent)
    : QComboBox(parent)
{
    setAccessibleName(tr("Drive"));
    setToolTip(tr("Drive"));
    connect(this, &QComboBox::currentIndexChanged, this, &DriveListBox::onIndexChanged);
    refresh();
}

void DriveListBox::refresh()
{
    QStringList roots;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        // Containers mount single files (resolv.conf, hosts) too: only folders are drives.
        if (!volume.isValid() || !QFileInfo(root).isDir() || roots.contains(root))
            continue;
        roots.append(root);
    }
    roots.removeAll(QStringLiteral("/"));
    roots.sort();
    roots.prepend(QStringLiteral("/"));
    setDrives(roots);
}

void DriveListBox::setDrives(const QStringList &roots)
{
    const QString chosen = drive();
    const QSignalBlocker blocker(this);
    clear();
    for (const QString &root : roots)
        addItem(QDir::toNativeSeparators(root), root);
    int index = findData(chosen);
    if (index < 0)
        index = count() > 0 ? 0 : -1;
    setCurrentIndex(index);
    m_previous = index;
}

QStringList DriveListBox::drives() const
{
    QStringList roots;
    for (int i = 0; i < count(); ++i)
        roots.append(itemData(i).toString());
    return roots;
}

QString DriveListBox::drive() const
{
    return currentData().toString();
}

int DriveListBox::indexHolding(const QString &path) const
{
    // The deepest root that contains the path: "/media/usb" holds "/media/usb/music", "/" holds
    // everything else.
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    int best = -1;
    int bestLength = -1;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        const bool holds =
            root == QLatin1String("/") || clean == root ||
            clean.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
        if (holds && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    return best;
}

bool DriveListBox::setDrive(const QString &path)
{
    const int index = indexHolding(path);
    if (index < 0)
        return false;
    const QSignalBlocker blocker(this);
    setCurrentIndex(index);
    m_previous = index;
    return true;
}

void DriveListBox::revert()
{
    const QSignalBlocker blocker(this);
    setCurrentIndex(m_previous);
}

void DriveListBox::onIndexChanged(int index)
{
    if (index == m_previous)
        return;
    emit Change();
    // A handler that found the drive unusable has called revert() and kept the old one.
    m_previous = currentIndex();
}
