#include "demoserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Local stand-ins for HopWise's update server, Velmora site and game hosts."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port on 127.0.0.1 (0: any free one)."),
                                        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption versionOption(QStringLiteral("version-file"),
                                           QStringLiteral("Body of the version file."),
                                           QStringLiteral("text"), QStringLiteral("1.0.2"));
    const QCommandLineOption pcOption(QStringLiteral("pcworld"),
                                      QStringLiteral("Body of the pcworld file."),
                                      QStringLiteral("label"), QStringLiteral("pest3"));
    parser.addOptions({portOption, versionOption, pcOption});
    parser.process(app);

    DemoServer server;
    server.setVersion(parser.value(versionOption).toUtf8());
    server.setPcWorld(parser.value(pcOption).toUtf8());
    const quint16 port = server.listen(quint16(parser.value(portOption).toUInt()));
    if (port == 0) {
        QTextStream(stderr) << "hopwise-demo: cannot listen on 127.0.0.1:"
                            << parser.value(portOption) << "\n";
        return 1;
    }
    QTextStream(stdout) << port << Qt::endl;
    return app.exec();
}
