#include "core/programdir.h"

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

QString withoutTrailingSlashes(QString dir)
{
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

QString dataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

} // namespace

bool isInstalledLayout(const QString &exeDir)
{
    return !exeDir.isEmpty() &&
           QFileInfo::exists(exeDir + QLatin1Char('/') + QLatin1String(HOPWISE_INSTALLED_MARKER));
}

QString choose(const QString &exeDir, const QString &override)
{
    QString dir = override;
    if (dir.isEmpty()) {
        if (isInstalledLayout(exeDir))
            return dataFolder();
        dir = exeDir;
    }
    dir = withoutTrailingSlashes(dir);
    return isWritableDir(dir) ? dir : dataFolder();
}

QString path()
{
    const QString dir =
        choose(QCoreApplication::applicationDirPath(), qEnvironmentVariable("HOPWISE_PROGRAM_DIR"));
    // The data folder may not exist yet; the notes and screenshots code expects its folder.
    QDir().mkpath(dir);
    return dir;
}

QString file(const QString &name)
{
    return path() + QLatin1Char('/') + name;
}

} // namespace ProgramDir
