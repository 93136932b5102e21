#include "controls/mediacontrol.h"

#include <QAudioOutput>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMediaPlayer>
#include <QPushButton>
#include <QStyle>
#include <QUrl>

MediaControl::MediaControl(QWidget *parent)
    : QWidget(parent)
    , m_player(new QMediaPlayer(this))
    , m_audio(new QAudioOutput(this))
    , m_play(new QPushButton(this))
    , m_pause(new QPushButton(this))
    , m_stop(new QPushButton(this))
{
    m_player->setAudioOutput(m_audio);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    const struct
    {
        QPushButton *button;
        QStyle::StandardPixmap icon;
        const char *name;
        const char *tip;
    } buttons[] = {
        {m_play, QStyle::SP_MediaPlay, "cmdPlay", "Play"},
        {m_pause, QStyle::SP_MediaPause, "cmdPause", "Pause"},
        {m_stop, QStyle::SP_MediaStop, "cmdStop", "Stop"},
    };
    for (const auto &b : buttons) {
        b.button->setObjectName(QLatin1String(b.name));
        b.button->setIcon(style()->standardIcon(b.icon));
        b.button->setToolTip(tr(b.tip));
        b.button->setAccessibleName(tr(b.tip));
        b.button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(b.button);
    }
    connect(m_play, &QPushButton::clicked, this, [this] { setCommand(QStringLiteral("play")); });
    connect(m_pause, &QPushButton::clicked, this, [this] { setCommand(QStringLiteral("pause")); });
    connect(m_stop, &QPushButton::clicked, this, [this] { setCommand(QStringLiteral("stop")); });
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, &MediaControl::updateButtons);
    connect(m_player, &QMediaPlayer::errorOccurred, this, [this] {
        // A file the multimedia system cannot play leaves nothing open.
        m_player->stop();
        m_player->setSource(QUrl());
        m_openFile.clear();
        updateButtons();
    });
    updateButtons();
}

void MediaControl::setCommand(const QString &command)
{
    const QString c = command.toLower();
    if (c == QLatin1String("close")) {
        m_player->stop();
        m_player->setSource(QUrl());
        m_openFile.clear();
    } else if (c == QLatin1String("open")) {
        m_player->stop();
        m_openFile.clear();
        if (QFileInfo(m_fileName).isFile()) {
            m_openFile = m_fileName;
            // A file in the root folder comes as "//name", which a URL would take for a host.
            m_player->setSource(QUrl::fromLocalFile(QDir::cleanPath(m_fileName)));
        } else {
            m_player->setSource(QUrl());
        }
    } else if (c == QLatin1String("play")) {
        if (!m_openFile.isEmpty())
            m_player->play();
    } else if (c == QLatin1String("pause")) {
        if (!m_openFile.isEmpty())
            m_player->pause();
    } else if (c == QLatin1String("stop")) {
        m_player->stop();
    }
    updateButtons();
    emit commandDone(c);
}

bool MediaControl::isPlaying() const
{
    return m_player->playbackState() == QMediaPlayer::PlayingState;
}

void MediaControl::updateButtons()
{
    const bool open = !m_openFile.isEmpty();
    const auto state = m_player->playbackState();
    m_play->setEnabled(open && state != QMediaPlayer::PlayingState);
    m_pause->setEnabled(open && state == QMediaPlayer::PlayingState);
    m_stop->setEnabled(open && state != QMediaPlayer::StoppedState);
}
