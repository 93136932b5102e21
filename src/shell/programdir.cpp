#include "shell/programdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ProgramDir {

namespace {

bool isWritableDir(const QString &dir)
{
    const QFileInfo info(dir);
    return info.isDir() && info.isWritable();
}

} // namespace

QString path()
{
    QString dir = qEnvironmentVariable("HOPWISE_PROGRAM_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath();
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    if (isWritableDir(dir))
        return dir;

    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

QString file(const QString &name)
{
    return path() + QLatin1Char('/') + name;
}

} // namespace ProgramDir
