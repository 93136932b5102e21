#include "web/frmbrowser.h"

#include "controls/twips.h"
#include "shell/webbrowser.h"

FrmBrowser::FrmBrowser(QWidget *parent)
    : QMainWindow(parent)
    , wbMinibrowser(new WebBrowser(this))
{
    setObjectName(QStringLiteral("frmBrowser"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("HopWise Mini Browser"));
    wbMinibrowser->setObjectName(QStringLiteral("wbMinibrowser"));
    setCentralWidget(new QWidget(this));
    wbMinibrowser->setParent(centralWidget());
    Twips::place(wbMinibrowser, 120, 480, 9615, 7695);
    resize(Twips::size(9855, 8295));
}
