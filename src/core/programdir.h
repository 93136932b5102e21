#pragma once

#include <QString>

// Where the notes file, the start-up sound and the screenshots folder live: HOPWISE_PROGRAM_DIR
// when set, else the executable's folder. An installed copy (its metainfo beside it under the
// prefix, as `cmake --install` and the Debian package lay it out) uses the per-user data folder
// instead: /usr/bin is shared by every user, and writable for root. So does a program folder that
// cannot be written, so notes are never lost.
namespace ProgramDir {

QString path();
// path() + "/" + name, the separator written as is.
QString file(const QString &name);

// The choice path() makes, for an executable in exeDir and HOPWISE_PROGRAM_DIR set to override
// (empty: not set). Creates nothing.
QString choose(const QString &exeDir, const QString &override);
// True when exeDir is the bin folder of an installed layout.
bool isInstalledLayout(const QString &exeDir);

} // namespace ProgramDir
