#include "core/urlfetcher.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

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

    QNetworkRequest request(qurl);
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("HopWise"));
    // Every caller names the server it trusts for that file; a redirect elsewhere (another host,
    // port or scheme) ends the fetch as failed rather than bringing back a stranger's answer.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::SameOriginRedirectPolicy);

    QNetworkReply *reply = m_manager->get(request);
    QEventLoop loop;
    bool tooLarge = false;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connect(reply, &QNetworkReply::downloadProgress, &loop, [&, reply](qint64 received, qint64) {
        if (received > m_maxBodyBytes && !tooLarge) {
            tooLarge = true;
            reply->abort();
        }
    });
    // The transfer time-out covers a silent connection; this one also bounds a server that
    // trickles bytes for ever.
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    deadline.start(m_deadlineMs > 0 ? m_deadlineMs : m_timeoutMs * 3);

    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (tooLarge) {
        result.error = tr("The answer from %1 is too large").arg(qurl.host());
    } else if (reply->error() != QNetworkReply::NoError) {
        result.error = reply->error() == QNetworkReply::OperationCanceledError
                           ? tr("%1 did not answer in time").arg(qurl.host())
                           : reply->errorString();
    } else if (status != 200) {
        result.error = tr("%1 answered with status %2").arg(qurl.host()).arg(status);
    } else {
        result.ok = true;
        result.body = reply->readAll();
    }
    reply->deleteLater();
    return result;
}
