#include "link/network_address.h"

#include <QHostAddress>
#include <algorithm>

namespace {

constexpr int kMaxHostLength = 253;

bool isNameCharacter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
           c == QLatin1Char('.') || c == QLatin1Char('_');
}

QString scheme(NetworkProtocol protocol) {
    return protocol == NetworkProtocol::Rfc2217 ? QStringLiteral("rfc2217") : QStringLiteral("tcp");
}

}  // namespace

QString NetworkAddress::hostAndPort() const {
    const QString shownHost =
        host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(host) : host;
    return QStringLiteral("%1:%2").arg(shownHost, QString::number(port));
}

QString NetworkAddress::text() const {
    return QStringLiteral("%1://%2").arg(scheme(protocol), hostAndPort());
}

bool looksLikeNetworkAddress(const QString& text) {
    return text.contains(QStringLiteral("://"));
}

bool isValidHost(const QString& host) {
    if (host.isEmpty() || host.size() > kMaxHostLength) {
        return false;
    }
    if (QHostAddress address; address.setAddress(host)) {
        return true;
    }
    return std::all_of(host.begin(), host.end(), isNameCharacter) &&
           !host.startsWith(QLatin1Char('-')) && !host.startsWith(QLatin1Char('.'));
}

ParsedAddress parseNetworkAddress(const QString& text) {
    const qsizetype schemeEnd = text.indexOf(QStringLiteral("://"));
    const QString name = schemeEnd < 0 ? QString() : text.left(schemeEnd).toLower();
    NetworkAddress a;
    if (name == QLatin1String("tcp")) {
        a.protocol = NetworkProtocol::RawTcp;
    } else if (name == QLatin1String("rfc2217")) {
        a.protocol = NetworkProtocol::Rfc2217;
    } else {
        return {std::nullopt, QStringLiteral("the address must start with tcp:// or rfc2217://")};
    }
    const QString rest = text.mid(schemeEnd + 3);
    const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
    if (colon < 0) {
        return {std::nullopt, QStringLiteral("the address must end with :PORT")};
    }
    QString host = rest.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
        host = host.mid(1, host.size() - 2);
        if (QHostAddress address;
            !address.setAddress(host) || address.protocol() != QAbstractSocket::IPv6Protocol) {
            return {std::nullopt, QStringLiteral("the host in brackets must be an IPv6 address")};
        }
    } else if (host.contains(QLatin1Char(':'))) {
        return {std::nullopt, QStringLiteral("an IPv6 address must be written in brackets")};
    }
    if (!isValidHost(host)) {
        return {std::nullopt,
                QStringLiteral("the host must be a name (letters, digits, '-', '.') or an IP "
                               "address")};
    }
    bool ok = false;
    const QString portText = rest.mid(colon + 1);
    const uint port = portText.toUInt(&ok);
    const bool digitsOnly = !portText.isEmpty() &&
                            std::all_of(portText.begin(), portText.end(),
                                        [](QChar c) { return c.isDigit() && c.unicode() < 128; });
    if (!ok || !digitsOnly || port < 1 || port > 65535) {
        return {std::nullopt, QStringLiteral("the port must be a number from 1 to 65535")};
    }
    a.host = host;
    a.port = static_cast<quint16>(port);
    return {a, QString()};
}
