#include "chat/parlane.h"

#include <QCoreApplication>
#include <QEventLoop>

// Connects a chat client to the server named first on the command line and, once it is
// welcomed, deletes it and returns from main: no event loop runs after that, as when the program
// quits with the chat connected.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    auto *chat = new Parlane;
    chat->setNick(QStringLiteral("leaver"));
    chat->setServer(app.arguments().value(1));
    QEventLoop loop;
    QObject::connect(chat, &Parlane::Connected, &loop, &QEventLoop::quit);
    QObject::connect(chat, &Parlane::Disconnected, &loop, [&loop] { loop.exit(1); });
    chat->Connect();
    if (loop.exec() != 0)
        return 1;
    delete chat;
    return 0;
}
