#include "tools/mediaplayerpage.h"

#include "controls/mediacontrol.h"
#include "controls/twips.h"

MediaPlayerPage::MediaPlayerPage(QWidget *parent)
    : QWidget(parent)
    , m_mmControl(new MediaControl(this))
{
    m_mmControl->setObjectName(QStringLiteral("mmControl"));
    Twips::place(m_mmControl, 1680, 2160, 4320, 330);
    setObjectName(QStringLiteral("pageMediaPlayer"));
}
