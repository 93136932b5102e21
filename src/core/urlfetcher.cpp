#include "core/urlfetcher.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

namespace {

// A move to https and a new path or two; more is a loop.
constexpr int MaxRedirects = 10;

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Every caller names the server it trusts for that file: a redirect to another host, or down
// from https, would bring back a stranger's answer. A server that moves to https, often onto a
// port of its own, is still the same server.
bool redirectAllowed(const QUrl &from, const QUrl &to)
{
    if (to.host().compare(from.host(), Qt::CaseInsensitive) != 0)
        return false;
    const QString http = QStringLiteral("http");
    const QString https = QStringLiteral("https");
    if (from.scheme() == http && to.scheme() == https)
        return true;
    const int defaultPort = from.scheme() == https ? 443 : 80;
    return to.scheme() == from.scheme() && to.port(defaultPort) == from.port(defaultPort);
}

} // namespace

UrlFetcher::UrlFetcher(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{}

FetchResult UrlFetcher::OpenURL(const QString &url)
{
    FetchResult result;
    // Callers pass the address as they built it; TolerantMode keeps what they wrote (query
    // values they have encoded stay encoded, "%" left alone is fixed up rather than refused).
    const QUrl qurl(url, QUrl::TolerantMode);
    if (!qurl.isValid() || qurl.scheme() != QLatin1String("http") || qurl.host().isEmpty()) {
        result.error = tr("Not a web address: %1").arg(url);
        return result;
    }

    QEventLoop loop;
    QPointer<QNetworkReply> reply;
    // The transfer time-out covers a silent connection; this one also bounds a server that
    // trickles bytes for ever, however many redirects lead there.
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, [&reply] {
        if (reply)
            reply->abort();
    });
    deadline.start(m_deadlineMs > 0 ? m_deadlineMs : m_timeoutMs * 3);

    QUrl current = qurl;
    for (int redirects = 0;; ++redirects) {
        reply = get(current);
        bool tooLarge = false;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        connect(reply, &QNetworkReply::downloadProgress, &loop,
                [&, r = reply.data()](qint64 received, qint64) {
                    if (received > MaxBodyBytes && !tooLarge) {
                        tooLarge = true;
                        r->abort();
                    }
                });
        if (!reply->isFinished())
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        reply->disconnect(&loop);
        reply->deleteLater();

        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QUrl target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        if (tooLarge) {
            result.error = tr("The answer from %1 is too large").arg(qurl.host());
        } else if (reply->error() != QNetworkReply::NoError) {
            result.error = reply->error() == QNetworkReply::OperationCanceledError
                               ? tr("%1 did not answer in time").arg(qurl.host())
                               : reply->errorString();
        } else if (isRedirect(status) && target.isValid()) {
            const QUrl next = current.resolved(target);
            if (!deadline.isActive()) {
                result.error = tr("%1 did not answer in time").arg(qurl.host());
            } else if (redirects < MaxRedirects && redirectAllowed(current, next)) {
                current = next;
                continue;
            } else {
                result.error = tr("%1 sent the request elsewhere").arg(qurl.host());
            }
        } else if (status != 200) {
            result.error = tr("%1 answered with status %2").arg(qurl.host()).arg(status);
        } else {
            result.ok = true;
            result.body = reply->readAll();
        }
        return result;
    }
}

QNetworkReply *UrlFetcher::get(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("HopWise"));
    // OpenURL weighs each redirect itself, hop by hop.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    return m_manager->get(request);
}
