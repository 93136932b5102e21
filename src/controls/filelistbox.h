#pragma once

#include <QListWidget>

// Every file of one folder, sorted by name. fileName() is the highlighted file's name without
// its folder; a double-click (or Enter) on a file raises DblClick.
class FileListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit FileListBox(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Lists the files of `path`. A folder that does not exist or cannot be read leaves the list
    // as it was: false.
    bool setPath(const QString &path);
    void refresh();

    QString fileName() const;

signals:
    void DblClick();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool fill(const QString &path);

    QString m_path;
};
