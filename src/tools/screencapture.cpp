#include "tools/screencapture.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcessEnvironment>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>
#include <QWidget>

namespace {

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString ScreenshotInterface = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");

QString notCaptured(const QString &why)
{
    return QCoreApplication::translate("Screenshot", "The screen could not be captured: %1")
        .arg(why);
}

QString noPortal()
{
    return notCaptured(
        QCoreApplication::translate("Screenshot", "the desktop offers no screenshot portal."));
}

bool portalOnBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusConnectionInterface *names = bus.interface();
    return names->isServiceRegistered(PortalService).value() ||
           names->activatableServiceNames().value().contains(PortalService);
}

QScreen *screenOf(QWidget *window)
{
    if (window) {
        if (QScreen *screen = window->screen())
            return screen;
    }
    return QGuiApplication::primaryScreen();
}

// One Screenshot request and the Response that ends it.
class PortalRequest : public QObject
{
    Q_OBJECT

public:
    explicit PortalRequest(const QDBusConnection &bus)
        : m_bus(bus)
    {}
    ~PortalRequest() override { unwatch(); }

    ScreenCapture run(std::chrono::milliseconds timeout);

private slots:
    // Named by its signature because QDBusConnection::connect takes no function pointer.
    void onResponse(uint response, const QVariantMap &results);

private:
    bool watch(const QString &path);
    void unwatch();
    void onReply(QDBusPendingCallWatcher *call);
    ScreenCapture outcome() const;

    QDBusConnection m_bus;
    QEventLoop m_loop;
    QString m_path;
    bool m_answered = false;
    uint m_response = 0;
    QVariantMap m_results;
    QString m_callError;
};

ScreenCapture PortalRequest::run(std::chrono::milliseconds timeout)
{
    static int requests = 0;
    const QString token =
        QStringLiteral("hopwise%1_%2").arg(QCoreApplication::applicationPid()).arg(++requests);
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));

    // The portal may answer as soon as it has replied, before the reply has reached us: listen
    // on the path it will use before asking.
    if (!watch(PortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token))
        return {QImage(), noPortal()};

    QDBusMessage call = QDBusMessage::createMethodCall(
        PortalService, PortalPath, ScreenshotInterface, QStringLiteral("Screenshot"));
    call << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("interactive"), false}};
    const int timeoutMs = static_cast<int>(timeout.count());
    QDBusPendingCallWatcher reply(m_bus.asyncCall(call, timeoutMs));
    connect(&reply, &QDBusPendingCallWatcher::finished, this, &PortalRequest::onReply);

    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &m_loop, &QEventLoop::quit);
    deadline.start(timeout);

    m_loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (!m_answered && m_callError.isEmpty()) {
        // Takes the desktop's question to the player away with the request.
        m_bus.send(QDBusMessage::createMethodCall(PortalService, m_path, RequestInterface,
                                                  QStringLiteral("Close")));
        return {QImage(),
                notCaptured(QCoreApplication::translate(
                    "Screenshot", "the desktop did not answer within %n second(s).", nullptr,
                    static_cast<int>(std::chrono::ceil<std::chrono::seconds>(timeout).count())))};
    }
    return outcome();
}

void PortalRequest::onReply(QDBusPendingCallWatcher *call)
{
    const QDBusPendingReply<QDBusObjectPath> reply = *call;
    if (reply.isError()) {
        const QDBusError::ErrorType type = reply.error().type();
        // The call ran out of the same time as the answer: reported as no answer.
        if (type == QDBusError::NoReply || type == QDBusError::Timeout) {
            m_loop.quit();
            return;
        }
        const bool absent =
            type == QDBusError::ServiceUnknown || type == QDBusError::UnknownObject ||
            type == QDBusError::UnknownInterface || type == QDBusError::UnknownMethod;
        m_callError =
            absent
                ? noPortal()
                : notCaptured(QCoreApplication::translate("Screenshot", "the desktop refused (%1).")
                                  .arg(reply.error().message()));
        m_loop.quit();
        return;
    }
    // Portals older than the handle_token option pick a path of their own.
    const QString path = reply.value().path();
    if (path != m_path && !m_answered) {
        unwatch();
        watch(path);
    }
}

void PortalRequest::onResponse(uint response, const QVariantMap &results)
{
    if (m_answered)
        return;
    m_answered = true;
    m_response = response;
    m_results = results;
    m_loop.quit();
}

ScreenCapture PortalRequest::outcome() const
{
    if (!m_callError.isEmpty())
        return {QImage(), m_callError};
    if (m_response == 1)
        return {QImage(), notCaptured(QCoreApplication::translate(
                              "Screenshot", "the screenshot was cancelled."))};
    if (m_response != 0)
        return {QImage(), notCaptured(QCoreApplication::translate(
                              "Screenshot", "the desktop refused the screenshot."))};
    const QUrl uri(m_results.value(QStringLiteral("uri")).toString());
    const QImage image = uri.isLocalFile() ? QImage(uri.toLocalFile()) : QImage();
    if (image.isNull())
        return {QImage(), notCaptured(QCoreApplication::translate("Screenshot",
                                                                  "the desktop gave no picture."))};
    return {image, QString()};
}

bool PortalRequest::watch(const QString &path)
{
    m_path = path;
    return m_bus.connect(PortalService, m_path, RequestInterface, QStringLiteral("Response"), this,
                         SLOT(onResponse(uint, QVariantMap)));
}

void PortalRequest::unwatch()
{
    m_bus.disconnect(PortalService, m_path, RequestInterface, QStringLiteral("Response"), this,
                     SLOT(onResponse(uint, QVariantMap)));
}

} // namespace

bool sessionNeedsPortal(const QProcessEnvironment &environment, const QString &platformName)
{
    return !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() ||
           environment.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("wayland") ||
           platformName.startsWith(QLatin1String("wayland"));
}

ScreenCapture captureScreenThroughPortal(std::chrono::milliseconds answerTimeout)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return {QImage(), noPortal()};
    PortalRequest request(bus);
    return request.run(answerTimeout);
}

ScreenCapture captureScreen(QWidget *window)
{
    if (sessionNeedsPortal(QProcessEnvironment::systemEnvironment(),
                           QGuiApplication::platformName()))
        return captureScreenThroughPortal();

    QScreen *screen = screenOf(window);
    const QPixmap grabbed = screen ? screen->grabWindow(0) : QPixmap();
    if (!grabbed.isNull())
        return {grabbed.toImage(), QString()};
    if (portalOnBus())
        return captureScreenThroughPortal();
    return {QImage(),
            QCoreApplication::translate("Screenshot", "The screen could not be captured.")};
}

#include "screencapture.moc"
