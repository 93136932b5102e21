#include "controls/webbrowser.h"

#include "core/desktop.h"

#include <QUrl>
#include <QWebEngineSettings>

namespace {

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
}

void WebBrowser::Navigate(const QString &url)
{
    // A page still loading is stopped first: its answer could otherwise still commit after the
    // new address was asked for, and show the previous world under the new world's caption.
    stop();
    load(QUrl::fromUserInput(url));
}

QString WebBrowser::LocationName() const
{
    return title();
}

QString WebBrowser::LocationURL() const
{
    return url().toString();
}
