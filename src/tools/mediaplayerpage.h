#pragma once

#include <QWidget>

class MediaControl;

// The "Media Player" page of the main window's tools tab control. Controls are placed in twips
// relative to the tab control, which this page covers.
class MediaPlayerPage : public QWidget
{
    Q_OBJECT
public:
    explicit MediaPlayerPage(QWidget *parent = nullptr);

    MediaControl *mmControl() const { return m_mmControl; }

private:
    MediaControl *m_mmControl;
};
