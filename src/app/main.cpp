#include "shell/appsetup.h"
#include "shell/frmsplash.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    AppSetup::beforeApplication();
    QApplication app(argc, argv);
    AppSetup::afterApplication(app);

    // The splash checks for a newer version and hands over to the update prompt or the main
    // window; the program ends with its last window.
    FrmSplash::start();
    return app.exec();
}
