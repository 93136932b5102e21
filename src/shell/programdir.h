#pragma once

#include <QString>

// Where the notes file, the start-up sound and the screenshots folder live: HOPWISE_PROGRAM_DIR
// when set, else the executable's folder. When that folder cannot be written (an installed
// program under /usr/bin), the per-user data folder takes its place so notes are never lost.
namespace ProgramDir {

QString path();
// path() + "/" + name, the separator written as is.
QString file(const QString &name);

} // namespace ProgramDir
