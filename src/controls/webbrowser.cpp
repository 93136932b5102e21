#include "controls/webbrowser.h"

#include <QUrl>
#include <QWebEngineSettings>

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
    // Pages that ask for a new window or tab open in the same view, still through the guard.
    return this;
}

WebBrowser::WebBrowser(QWidget *parent)
    : QWebEngineView(parent)
    , m_page(new WebBrowserPage(this))
{
    setPage(m_page);
    // Nothing in HopWise shows a page's icon; don't fetch it.
    m_page->settings()->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    connect(m_page, &WebBrowserPage::BeforeNavigate2, this, &WebBrowser::BeforeNavigate2,
            Qt::DirectConnection);
    connect(m_page, &QWebEnginePage::titleChanged, this, &WebBrowser::TitleChange);
}

void WebBrowser::Navigate(const QString &url)
{
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
