#include "tools/mediaplayerpage.h"

#include "controls/dirlistbox.h"
#include "controls/drivelistbox.h"
#include "controls/filelistbox.h"
#include "controls/mediacontrol.h"
#include "controls/notice.h"
#include "controls/twips.h"

#include <QDir>

MediaPlayerPage::MediaPlayerPage(QWidget *parent)
    : QWidget(parent)
    , drvList(new DriveListBox(this))
    , diFiles(new DirListBox(this))
    , flPath(new FileListBox(this))
    , m_mmControl(new MediaControl(this))
{
    setObjectName(QStringLiteral("pageMediaPlayer"));
    drvList->setObjectName(QStringLiteral("drvList"));
    diFiles->setObjectName(QStringLiteral("diFiles"));
    flPath->setObjectName(QStringLiteral("flPath"));
    m_mmControl->setObjectName(QStringLiteral("mmControl"));

    Twips::place(drvList, 120, 480, 1455, 315);
    Twips::place(diFiles, 1680, 480, 4335, 1665);
    Twips::place(flPath, 6120, 480, 5535, 1980);
    Twips::place(m_mmControl, 1680, 2160, 4320, 330);

    // All three lists start at the current folder and its drive.
    drvList->setDrive(diFiles->path());

    connect(drvList, &DriveListBox::Change, this, &MediaPlayerPage::frmMain_drvList_Change);
    connect(diFiles, &DirListBox::Click, this, &MediaPlayerPage::frmMain_diFiles_Click);
    connect(flPath, &FileListBox::DblClick, this, &MediaPlayerPage::frmMain_flPath_DblClick);
}

void MediaPlayerPage::frmMain_drvList_Change()
{
    if (!diFiles->setPath(drvList->drive())) {
        // A drive that is not ready keeps the lists on the folder they show.
        const QString drive = drvList->drive();
        drvList->revert();
        Notice::show(drvList,
                     tr("The drive %1 cannot be read.").arg(QDir::toNativeSeparators(drive)));
    }
}

void MediaPlayerPage::frmMain_diFiles_Click()
{
    // The directory list's current folder, not the entry the click highlighted.
    if (!flPath->setPath(diFiles->path()))
        Notice::show(
            diFiles,
            tr("The folder %1 cannot be read.").arg(QDir::toNativeSeparators(diFiles->path())));
}

void MediaPlayerPage::frmMain_flPath_DblClick()
{
    m_mmControl->setCommand(QStringLiteral("close"));
    m_mmControl->setFileName(diFiles->path() + QLatin1Char('/') + flPath->fileName());
    m_mmControl->setCommand(QStringLiteral("open"));
}
