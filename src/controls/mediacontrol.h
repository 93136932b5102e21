#pragma once

#include <QString>
#include <QWidget>

class QAudioOutput;
class QMediaPlayer;
class QPushButton;

// A media player control driven by commands, with its own play, pause and stop buttons.
// Commands: "close" (closes what is open; harmless when nothing is), "open" (opens FileName),
// "play" (starts the opened file and returns at once), "pause", "stop".
class MediaControl : public QWidget
{
    Q_OBJECT
public:
    explicit MediaControl(QWidget *parent = nullptr);

    void setCommand(const QString &command);
    void setFileName(const QString &fileName) { m_fileName = fileName; }
    QString fileName() const { return m_fileName; }

    // The file now open, or empty.
    QString openFile() const { return m_openFile; }
    bool isPlaying() const;
    QMediaPlayer *player() const { return m_player; }

signals:
    // Each command, after it has been carried out, in the order given.
    void commandDone(const QString &command);

private:
    void updateButtons();

    QMediaPlayer *m_player;
    QAudioOutput *m_audio;
    QPushButton *m_play;
    QPushButton *m_pause;
    QPushButton *m_stop;
    QString m_fileName;
    QString m_openFile;
};
