#pragma once

#include <QMainWindow>

class WebBrowser;

// The mini browser: an address box, "Go", a bookmark menu and an embedded browser.
class FrmBrowser : public QMainWindow
{
    Q_OBJECT
public:
    explicit FrmBrowser(QWidget *parent = nullptr);

    WebBrowser *browser() const { return wbMinibrowser; }

private:
    WebBrowser *wbMinibrowser;
};
