#pragma once

#include <QString>

// Program-wide texts shared by the start-up windows.
namespace modStore {

// The running version, "major.minor.revision", from the project's one version number.
extern QString strVersion;
// The update server's version file as fetched; empty until the check has run.
extern QString strNewest;

QString runningVersion();

} // namespace modStore
