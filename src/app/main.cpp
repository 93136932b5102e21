#include "shell/appsetup.h"
#include "shell/frmmain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    AppSetup::beforeApplication();
    QApplication app(argc, argv);
    AppSetup::afterApplication(app);

    FrmMain main;
    main.show();
    return app.exec();
}
