#include "web/frmabout.h"

FrmAbout::FrmAbout(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About HopWise"));
}
