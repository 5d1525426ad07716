#pragma once

#include <QString>
#include <optional>

// A serial line behind a device server on the network: "tcp://HOST:PORT" is a raw TCP stream
// (the line's settings are fixed on the server), "rfc2217://HOST:PORT" a Telnet stream through
// which the program sets the line (RFC 2217). HOST is a name, an IPv4 address or an IPv6
// address in brackets.
enum class NetworkProtocol { RawTcp, Rfc2217 };

struct NetworkAddress {
    NetworkProtocol protocol = NetworkProtocol::RawTcp;
    QString host;  // without brackets
    quint16 port = 0;

    // The address as the user writes it: "rfc2217://cabinet-gw:4001", "tcp://[::1]:4001".
    QString text() const;
    // "cabinet-gw:4001", "[::1]:4001": where it connects, as messages name it.
    QString hostAndPort() const;
    bool operator==(const NetworkAddress&) const = default;
};

// Whether the text is meant as a network address (it has a "scheme://"), good or not; a COM
// number never is.
bool looksLikeNetworkAddress(const QString& text);

// The address, or why the text is none: "the address must start with tcp:// or rfc2217://",
// "the port must be a number from 1 to 65535", ...
struct ParsedAddress {
    std::optional<NetworkAddress> address;
    QString problem;
};
ParsedAddress parseNetworkAddress(const QString& text);

// Whether the host is a name or address this program would connect to: a name of letters,
// digits, '-' and '.', or an IP address; at most 253 characters.
bool isValidHost(const QString& host);
