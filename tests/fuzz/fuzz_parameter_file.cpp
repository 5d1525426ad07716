// Arbitrary parameter files and arbitrary window values through the parameter-file codec.
// First byte even: the rest is a file. Whatever it holds, reading stops at a line it cannot use,
// every value it took is one the window can show, and a file read whole is written back in a
// form that reads as the same values. First byte odd: the rest gives the window's values
// (fields separated by 0xFF); whatever they hold, the file written from them reads back whole,
// as the same values.
#include <QtEndian>
#include <tuple>

#include "device/parameter_file.h"
#include "files/text_lines.h"
#include "fuzz_support.h"

namespace {

using Values = ParameterFileValues;

// The texts that lines 2 and 4 to 11 hold ("0" stands for an empty one), then those of lines 19
// and 20.
constexpr QString Values::*kTexts[] = {&Values::LCA,
                                       &Values::runCurrent,
                                       &Values::idleCurrent,
                                       &Values::idleTime,
                                       &Values::posGuardTolerance,
                                       &Values::posGuardErrorRange,
                                       &Values::posGuardMaxAttempt,
                                       &Values::posGuardHighSpeed,
                                       &Values::posGuardIdleTime,
                                       &Values::doBoot,
                                       &Values::eoBoot};
constexpr int kZeroTexts = 9;  // the first nine

// The values besides the texts.
auto others(const Values& v) {
    return std::tie(v.polarity, v.posGuardEnable, v.method, v.deviceId, v.nodeId, v.serialBaud,
                    v.canBitRate, v.edoEnable, v.returnZero);
}

bool sameValues(const Values& a, const Values& b) {
    for (auto text : kTexts) {
        if (a.*text != b.*text) {
            return false;
        }
    }
    return others(a) == others(b);
}

// What a file holds of the values: the seven polarity pairs as the window shows them (a negative
// or oversized word shows its own way), "0" for an empty number text, and a blank for each line
// break in a text (a line of the file cannot hold one).
Values asStored(Values v) {
    v.polarity = polarityWord(polarityFromWord(v.polarity));
    for (int i = 0; i < int(std::size(kTexts)); ++i) {
        QString& text = v.*kTexts[i];
        text.replace(u'\r', u' ').replace(u'\n', u' ');
        if (i < kZeroTexts && text.isEmpty()) {
            text = QStringLiteral("0");
        }
    }
    return v;
}

bool itemOrNone(const QString& item, const QStringList& items, bool mayBeEmpty) {
    return items.contains(item) || (mayBeEmpty && item.isEmpty());
}

// Writing the values and reading the file gives them back, as the file holds them.
void checkWrittenReadsBack(const Values& v) {
    const QByteArray file = writeParameterFile(v);
    fuzzCheck(textLines(file).size() == kParameterFileLines, "a written file has 21 lines");
    const ParameterFileRead again = readParameterFile(file);
    fuzzCheck(again.usableLines == kParameterFileLines, "a written file reads whole");
    fuzzCheck(sameValues(again.values, asStored(v)), "a written file reads as its values");
    fuzzCheck(writeParameterFile(again.values) == file, "writing what was read changes nothing");
}

void checkRead(const QByteArray& content) {
    const ParameterFileRead read = readParameterFile(content);
    const Values& v = read.values;
    fuzzCheck(read.usableLines >= 0 && read.usableLines <= kParameterFileLines &&
                  read.usableLines <= textLines(content).size(),
              "reading takes at most the file's lines");
    for (int i = 0; i < kZeroTexts; ++i) {
        fuzzCheck(!(v.*kTexts[i]).contains(u'\r') && !(v.*kTexts[i]).contains(u'\n'),
                  "a text read holds no line break");
    }
    fuzzCheck(!read.has(13) || itemOrNone(v.deviceId, deviceIdItems(), false), "device ID item");
    fuzzCheck(!read.has(14) || itemOrNone(v.nodeId, nodeIdItems(), true), "node ID item");
    fuzzCheck(!read.has(15) || itemOrNone(v.serialBaud, serialBaudItems(), false), "baud item");
    fuzzCheck(!read.has(16) || itemOrNone(v.canBitRate, canBitRateItems(), true), "CAN item");
    if (read.usableLines == kParameterFileLines) {
        checkWrittenReadsBack(v);
    }
}

// Window values from fields: numbers from their first bytes, list selections by index.
Values valuesFrom(const QList<QByteArray>& fields) {
    const auto byte = [&fields](int i) {
        return static_cast<uint8_t>(fields.value(i).leftJustified(1, '\0').at(0));
    };
    const auto pick = [](const QStringList& items, int index, bool mayBeEmpty) {
        return mayBeEmpty && index % (items.size() + 1) == items.size()
                   ? QString()
                   : items[index % items.size()];
    };
    Values v;
    v.polarity = qFromLittleEndian<int32_t>(fields.value(0).leftJustified(4, '\0').constData());
    int i = 1;
    for (auto text : kTexts) {
        v.*text = QString::fromLatin1(fields.value(i++));
    }
    const int flags = byte(i++);
    v.posGuardEnable = flags & 1;
    v.edoEnable = flags & 2;
    v.returnZero = flags & 4;
    v.method = static_cast<CommMethod>(flags / 8 % 3);
    v.deviceId = pick(deviceIdItems(), byte(i++), false);
    v.nodeId = pick(nodeIdItems(), byte(i++), true);
    v.serialBaud = pick(serialBaudItems(), byte(i++), false);
    v.canBitRate = pick(canBitRateItems(), byte(i++), true);
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const QByteArray rest = inputBytes(data, size, 1);
    if (data[0] % 2 == 0) {
        checkRead(rest);
    } else {
        checkWrittenReadsBack(valuesFrom(rest.split('\xff')));
    }
    return 0;
}
