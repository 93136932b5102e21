#pragma once

#include <QString>

namespace modStore {

// The running version, "major.minor.revision", from the project's one version number.
QString runningVersion();

} // namespace modStore
