#pragma once

#include <QListWidget>

// A folder list in the classic style: the current folder's parents from the root down, the
// current folder, then its subfolders, each level indented. A single click (or moving the
// highlight with the keys) only highlights an entry and raises Click; a double-click (or Enter)
// makes the highlighted folder the current one and raises Change. path() is always the current
// folder, never merely the highlighted one.
class DirListBox : public QListWidget
{
    Q_OBJECT
public:
    enum Role
    {
        PathRole = Qt::UserRole,
        LevelRole
    };

    explicit DirListBox(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Makes `path` the current folder and raises Change when it differs. A folder that does not
    // exist or cannot be read (a drive that is not ready) leaves the list as it was: false.
    bool setPath(const QString &path);
    // Reads the current folder again.
    void refresh();

    // The folder of the highlighted entry, or empty.
    QString highlightedPath() const;

signals:
    void Click();
    void Change();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void enter(QListWidgetItem *item);
    bool fill(const QString &path);

    QString m_path;
};
