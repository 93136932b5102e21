#include "controls/webbrowser.h"

#include "core/desktop.h"

#include <algorithm>

#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineSettings>

namespace {

bool sameAddress(const QUrl &a, const QUrl &b)
{
    // The engine adds the "/" after a bare host.
    constexpr auto form = QUrl::NormalizePathSegments | QUrl::StripTrailingSlash;
    return a.adjusted(form) == b.adjusted(form);
}

// Stands in for the window a page asked for. It never shows anything: the first address it is
// sent to goes to the desktop's web browser, and the stand-in goes away. The page that asked
// keeps what it shows, so no page can take the player off the game.
class NewWindowPage : public QWebEnginePage
{
public:
    NewWindowPage(QWebEngineProfile *profile, QObject *parent)
        : QWebEnginePage(profile, parent)
    {}

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        if (!isMainFrame || m_handedOver)
            return false;
        m_handedOver = true;
        // Only web addresses leave the program; a page must not start other handlers (files,
        // mail, custom schemes) on the player's desktop.
        const QString scheme = url.scheme();
        if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
            Desktop::openUrl(url);
        deleteLater();
        return false;
    }

private:
    bool m_handedOver = false;
};

} // namespace

bool WebBrowserPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    bool cancel = false;
    emit BeforeNavigate2(url.toString(QUrl::FullyEncoded), isMainFrame, &cancel);
    if (cancel)
        return false;
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

QWebEnginePage *WebBrowserPage::createWindow(WebWindowType)
{
    return new NewWindowPage(profile(), this);
}

WebBrowser::WebBrowser(QWidget *parent)
    : QWebEngineView(parent)
{
    auto *page = new WebBrowserPage(this);
    setPage(page);
    // Nothing in HopWise shows a page's icon; don't fetch it.
    page->settings()->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    // A new window opens only when the player asked for it with a click: a page that opens
    // windows by itself (on load, from a timer) would flood the desktop's browser.
    page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    connect(page, &WebBrowserPage::BeforeNavigate2, this, &WebBrowser::BeforeNavigate2,
            Qt::DirectConnection);
    connect(page, &QWebEnginePage::titleChanged, this, &WebBrowser::TitleChange);
    connect(page, &QWebEnginePage::loadingChanged, this, &WebBrowser::settleNavigation);
}

void WebBrowser::Navigate(const QString &url)
{
    if (!m_wanted.isEmpty())
        m_before.append(m_wanted);
    m_wanted = QUrl::fromUserInput(url);
    load(m_wanted);
}

void WebBrowser::settleNavigation(const QWebEngineLoadingInfo &info)
{
    if (m_wanted.isEmpty() || info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        return;
    const QUrl shown = history()->currentItem().originalUrl();
    if (!sameAddress(shown, m_wanted) && sameAddress(page()->requestedUrl(), m_wanted))
        return; // still on its way
    const auto earlier = std::find_if(m_before.begin(), m_before.end(),
                                      [&shown](const QUrl &u) { return sameAddress(u, shown); });
    if (!sameAddress(shown, m_wanted) && earlier != m_before.end()) {
        // The engine lets a page whose answer was already on its way into the view when a
        // later address was asked for land after it, and drops the later navigation. Stopping
        // first cannot prevent that: the answer is no longer loading. Ask again, once for
        // each such page; from a queued call, as the engine is still reporting.
        m_before.erase(earlier);
        QMetaObject::invokeMethod(
            this,
            [this, wanted = m_wanted] {
                if (m_wanted == wanted)
                    load(wanted);
            },
            Qt::QueuedConnection);
        return;
    }
    // Shown, or the page went elsewhere by itself: nothing left to see to.
    m_wanted.clear();
    m_before.clear();
}

QString WebBrowser::LocationName() const
{
    return title();
}

QString WebBrowser::LocationURL() const
{
    return url().toString();
}
