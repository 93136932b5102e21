#pragma once

#include <QString>

#include <optional>

// The update server's version file holds the newest version as "major[.minor[.revision]]".
// Versions compare by number, not as text: 1.0.10 is newer than 1.0.2.
namespace VersionCheck {

struct Version
{
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// The body trimmed of surrounding white space must be one to three dot-separated decimal
// numbers; missing parts count as 0. Anything else (an empty body, an error page) is no version.
std::optional<Version> parse(const QString &text);

// True only when `newest` is a version and compares greater than `running`. A body that is not a
// version never asks the user to update.
bool isNewer(const QString &newest, const QString &running);

} // namespace VersionCheck
