#pragma once

#include <QString>

// The chat server as the user types it: "host", "host:port", "[v6 address]" or
// "[v6 address]:port". A bare IPv6 address without brackets is a host without a port.
struct ServerAddress
{
    static constexpr quint16 DefaultPort = 6667;

    QString host;
    quint16 port = DefaultPort;

    bool isValid() const { return !host.isEmpty() && port != 0; }
    static ServerAddress parse(const QString &text);
};
