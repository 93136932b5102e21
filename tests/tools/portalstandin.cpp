// A stand-in for the desktop's screenshot portal, for a private session bus: it owns the portal's
// name and answers Screenshot the way its first argument says, so the tests can have what a real
// desktop does only when a person is in front of it (cancel, a late answer, no answer at all).
//
//   portalstandin answer <file>  replies with the request handle, then answers with the file's URI
//   portalstandin early <file>   answers on the request path before replying
//   portalstandin hold <file>    replies, then answers once a line arrives on standard input
//   portalstandin cancel|other   answers 1 (cancelled by the user) or 2 (ended otherwise)
//   portalstandin refuse         replies with an error
//   portalstandin never          replies and never answers
//   portalstandin silent         neither replies nor answers
//   portalstandin nouri          answers 0 without a URI
//
// A request that a portal client must not send (interactive, or without a handle token) gets an
// error reply. Each request is written to standard output as "Screenshot <request path>", each
// Close of one as "Close <request path>".

#include <QtDBus>

#include <cstdio>

namespace {

const QString RequestRoot = QStringLiteral("/org/freedesktop/portal/desktop/request");

class RequestObjects : public QDBusVirtualObject
{
public:
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.interface() != QLatin1String("org.freedesktop.portal.Request") ||
            message.member() != QLatin1String("Close"))
            return false;
        std::printf("Close %s\n", qPrintable(message.path()));
        connection.send(message.createReply());
        return true;
    }
};

class ScreenshotPortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")

public:
    ScreenshotPortal(const QString &mode, const QString &file)
        : m_mode(mode)
        , m_file(file)
    {
        if (m_mode == QLatin1String("hold")) {
            m_stdin = new QSocketNotifier(0, QSocketNotifier::Read, this);
            connect(m_stdin, &QSocketNotifier::activated, this, &ScreenshotPortal::releaseHeld);
        }
    }

public slots:
    QDBusObjectPath Screenshot(const QString &parentWindow, const QVariantMap &options)
    {
        Q_UNUSED(parentWindow);
        const QString token = options.value(QStringLiteral("handle_token")).toString();
        if (token.isEmpty() || !options.contains(QStringLiteral("interactive")) ||
            options.value(QStringLiteral("interactive")).toBool()) {
            sendErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                           QStringLiteral("expected a handle_token and interactive=false"));
            return {};
        }
        QString sender = message().service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString path = RequestRoot + QLatin1Char('/') + sender + QLatin1Char('/') + token;
        std::printf("Screenshot %s\n", qPrintable(path));

        if (m_mode == QLatin1String("silent")) {
            setDelayedReply(true);
        } else if (m_mode == QLatin1String("refuse")) {
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotAllowed"),
                           QStringLiteral("Screenshots are not allowed"));
        } else if (m_mode == QLatin1String("early")) {
            respond(path, 0, uriResults());
        } else if (m_mode == QLatin1String("hold")) {
            m_held.append(path);
        } else if (m_mode != QLatin1String("never")) {
            const uint response = m_mode == QLatin1String("cancel")  ? 1
                                  : m_mode == QLatin1String("other") ? 2
                                                                     : 0;
            const QVariantMap results =
                m_mode == QLatin1String("answer") ? uriResults() : QVariantMap();
            // A real portal answers after its reply has gone out.
            QMetaObject::invokeMethod(
                this, [=] { respond(path, response, results); }, Qt::QueuedConnection);
        }
        return QDBusObjectPath(path);
    }

private:
    QVariantMap uriResults() const
    {
        return {{QStringLiteral("uri"), QUrl::fromLocalFile(m_file).toString()}};
    }

    void respond(const QString &path, uint response, const QVariantMap &results)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        signal << response << results;
        QDBusConnection::sessionBus().send(signal);
    }

    void releaseHeld()
    {
        char buffer[256];
        if (std::fgets(buffer, sizeof buffer, stdin) == nullptr)
            m_stdin->setEnabled(false);
        for (const QString &path : std::as_const(m_held))
            respond(path, 0, uriResults());
        m_held.clear();
    }

    QString m_mode;
    QString m_file;
    QStringList m_held;
    QSocketNotifier *m_stdin = nullptr;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Each line must reach the test as soon as it is written.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const QStringList args = app.arguments();
    QDBusConnection bus = QDBusConnection::sessionBus();
    ScreenshotPortal screenshot(args.value(1), args.value(2));
    RequestObjects requests;
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &screenshot,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerVirtualObject(RequestRoot, &requests, QDBusConnection::SubPath) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "portalstandin: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    return app.exec();
}

#include "portalstandin.moc"
