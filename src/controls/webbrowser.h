#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

// The page behind a WebBrowser: asks its view before every navigation of the main frame and of
// child frames.
class QWebEngineLoadingInfo;

class WebBrowserPage : public QWebEnginePage
{
    Q_OBJECT
public:
    using QWebEnginePage::QWebEnginePage;

signals:
    // Raised before each navigation; a receiver that sets *cancel keeps the current page.
    // Connect with a direct connection only.
    void BeforeNavigate2(const QString &url, bool isMainFrame, bool *cancel);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
};

// An embedded web browser with the few operations HopWise drives: Navigate, the shown page's
// title and address, and two events.
class WebBrowser : public QWebEngineView
{
    Q_OBJECT
public:
    explicit WebBrowser(QWidget *parent = nullptr);

    // Returns at once; the page loads in the background. An address without a scheme is
    // completed the way a browser's address bar would. The view ends on the page of the last
    // call, whatever the order in which the pages asked for arrive.
    void Navigate(const QString &url);
    QString LocationName() const;
    QString LocationURL() const;

signals:
    void BeforeNavigate2(const QString &url, bool isMainFrame, bool *cancel);
    void TitleChange(const QString &text);

private:
    void settleNavigation(const QWebEngineLoadingInfo &info);

    QUrl m_wanted;        // the last address asked for, until the view shows it
    QList<QUrl> m_before; // addresses asked for before it while it was still wanted
};
