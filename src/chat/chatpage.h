#pragma once

#include <QWidget>

// The "Chat" page of the main window's tools tab control. Controls are placed in twips relative
// to the tab control, which this page covers.
class ChatPage : public QWidget
{
    Q_OBJECT
public:
    explicit ChatPage(QWidget *parent = nullptr);
};
