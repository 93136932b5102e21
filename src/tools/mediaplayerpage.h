#pragma once

#include <QWidget>

class DirListBox;
class DriveListBox;
class FileListBox;
class MediaControl;

// The "Media Player" page of the main window's tools tab control: three chained lists pick a
// file that the media control opens. Controls are placed in twips relative to the tab control,
// which this page covers.
class MediaPlayerPage : public QWidget
{
    Q_OBJECT
public:
    explicit MediaPlayerPage(QWidget *parent = nullptr);

    MediaControl *mmControl() const { return m_mmControl; }

public slots:
    void frmMain_drvList_Change();
    void frmMain_diFiles_Click();
    void frmMain_flPath_DblClick();

private:
    DriveListBox *drvList;
    DirListBox *diFiles;
    FileListBox *flPath;
    MediaControl *m_mmControl;
};
