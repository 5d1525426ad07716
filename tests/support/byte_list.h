#pragma once

#include <QByteArray>
#include <initializer_list>

// Bytes written as numbers, for streams that carry any byte (Telnet commands, 0xFF in data).
inline QByteArray byteList(std::initializer_list<int> values) {
    QByteArray out;
    for (const int v : values) {
        out += static_cast<char>(v);
    }
    return out;
}

// IAC SB COM-PORT-OPTION <command> <value> IAC SE, the value as it goes on the wire.
inline QByteArray comPortFrame(int command, const QByteArray& value) {
    return byteList({255, 250, 44, command}) + value + byteList({255, 240});
}
