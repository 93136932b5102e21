#pragma once

#include <QString>

namespace PlayerName {

// The player name as it goes into a query value: UTF-8, every byte but the unreserved
// characters percent-encoded, so that no name can add a parameter, end the query or split the
// request line.
QString encoded(const QString &name);

} // namespace PlayerName
