#pragma once

#include <QComboBox>
#include <QStringList>

// The mounted volumes, "/" first, as a drop-down list. Its drive value is the root folder of the
// chosen volume; choosing another volume, by the user or from code, raises Change.
class DriveListBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveListBox(QWidget *parent = nullptr);

    // Reads the mounted volumes again, keeping the chosen drive when it is still there.
    void refresh();
    // The drives to offer, in this order (root folders).
    void setDrives(const QStringList &roots);
    QStringList drives() const;

    QString drive() const;
    // Chooses the drive that holds `path` without raising Change; false when none does.
    bool setDrive(const QString &path);
    // Goes back to the drive chosen before the last Change, without raising Change again.
    void revert();

signals:
    void Change();

private:
    void onIndexChanged(int index);
    int indexHolding(const QString &path) const;

    int m_previous = -1;
};
