#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

// The values the device uses for its communication settings and polarity word, and the items of
// the setup window's selection lists. No widgets: the window and the file codec share them.

// Items of the four selection lists.
QStringList serialBaudItems();  // "9600" ... "115200"
QStringList canBitRateItems();  // "10000" ... "1000000"
QStringList deviceIdItems();    // "01" ... "99"
QStringList nodeIdItems();      // "1" ... "127"

// "DB" codes 1 to 5 and "BR" codes 1 to 9 and the rates they stand for. A code without a rate
// gives nothing; a rate is compared as a number, so a rate without a code gives nothing too.
std::optional<QString> serialBaudForCode(int32_t code);
std::optional<int> serialBaudCode(const QString& rate);
std::optional<QString> canBitRateForCode(int32_t code);
std::optional<int> canBitRateCode(const QString& rate);

// A check box's value as the device takes and reports it: "1" or "0".
inline QString flagText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// The device's name is "KRB" and its two-digit ID.
QString deviceNameFor(const QString& id);
// The two ID digits of a device name: its characters 4 and 5.
QString deviceIdOfName(const QString& name);

// Communication method codes of "CM".
enum class CommMethod { Rs232 = 0, Rs485 = 1, CanOpen = 2 };
QString methodName(CommMethod method);  // "RS-232", "RS-485", "CANopen"
// As the device reports it: 1 and 2 name their methods, any other number means RS-232.
CommMethod methodFromDevice(int32_t code);
// As a parameter file stores it: 0 and 1 name their methods, any other number means CANopen.
CommMethod methodFromFile(int32_t code);

// The seven polarity signals in the order of their bits: Pulse, Dir, Limit, Home, Latch, In Pos,
// Alarm. true = High option.
inline constexpr std::array<int32_t, 7> kPolarityBits{1, 2, 16, 32, 64, 128, 256};
using PolarityHighs = std::array<bool, 7>;
// A set bit selects High; the bits without a signal (2, 3, 9 and up) are not looked at.
PolarityHighs polarityFromWord(int32_t word);
// The word written back: only the seven signals' bits, set for each High option.
int32_t polarityWord(const PolarityHighs& highs);
