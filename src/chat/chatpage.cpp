#include "chat/chatpage.h"

ChatPage::ChatPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pageChat"));
}
