#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;
class QUrl;

// Outcome of one OpenURL call: the whole response body, or why there is none.
struct FetchResult
{
    bool ok = false;
    QByteArray body;
    QString error;

    // Bodies HopWise fetches are ASCII text or RTF; UTF-8 reads both, and reads what is
    // not valid UTF-8 as replacement characters rather than failing.
    QString text() const { return QString::fromUtf8(body); }
};

// Fetches one URL and hands back its body. OpenURL is synchronous for its caller: it spins a
// local event loop that excludes user input until the transfer ends or the time-out passes, so a
// handler's steps keep their order, no click can start a second handler meanwhile, and windows
// still repaint and timers still tick.
class UrlFetcher : public QObject
{
    Q_OBJECT
public:
    // A dead or silent server must not freeze the window for long: ten seconds is ample for the
    // small files HopWise fetches over a slow line, and short enough that a player waiting for a
    // world does not take the program for hung.
    static constexpr int DefaultTimeoutMs = 10000;
    // A larger answer is refused rather than read: the largest file HopWise fetches is the
    // credits document, and nothing legitimate comes close.
    static constexpr qint64 MaxBodyBytes = 1024 * 1024;

    explicit UrlFetcher(QObject *parent = nullptr);

    FetchResult OpenURL(const QString &url);

    // Silence longer than the time-out ends a transfer; the deadline ends it however it goes
    // (three time-outs unless set).
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    void setDeadlineMs(int ms) { m_deadlineMs = ms; }

private:
    QNetworkReply *get(const QUrl &url);

    QNetworkAccessManager *m_manager;
    int m_timeoutMs = DefaultTimeoutMs;
    int m_deadlineMs = 0;
};
