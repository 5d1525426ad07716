#include "device/parameter_codes.h"

#include "link/number_form.h"
#include "link/reply_helpers.h"

namespace {

const QStringList& serialRates() {
    static const QStringList rates{"9600", "19200", "38400", "57600", "115200"};
    return rates;
}

const QStringList& canRates() {
    static const QStringList rates{"10000",  "20000",  "50000",  "100000", "125000",
                                   "250000", "500000", "800000", "1000000"};
    return rates;
}

std::optional<QString> rateForCode(const QStringList& rates, int32_t code) {
    if (code < 1 || code > rates.size()) {
        return std::nullopt;
    }
    return rates[code - 1];
}

// The code of the rate that equals the given text read as a number.
std::optional<int> codeForRate(const QStringList& rates, const QString& rate) {
    const std::optional<int32_t> wanted = readInt32(rate);
    if (!wanted) {
        return std::nullopt;
    }
    for (int i = 0; i < rates.size(); ++i) {
        if (rates[i].toInt() == *wanted) {
            return i + 1;
        }
    }
    return std::nullopt;
}

}  // namespace

QStringList serialBaudItems() {
    return serialRates();
}

QStringList canBitRateItems() {
    return canRates();
}

QStringList deviceIdItems() {
    QStringList items;
    for (int i = 1; i <= 99; ++i) {
        items << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    }
    return items;
}

QStringList nodeIdItems() {
    QStringList items;
    for (int i = 1; i <= 127; ++i) {
        items << QString::number(i);
    }
    return items;
}

std::optional<QString> serialBaudForCode(int32_t code) {
    return rateForCode(serialRates(), code);
}

std::optional<int> serialBaudCode(const QString& rate) {
    return codeForRate(serialRates(), rate);
}

std::optional<QString> canBitRateForCode(int32_t code) {
    return rateForCode(canRates(), code);
}

std::optional<int> canBitRateCode(const QString& rate) {
    return codeForRate(canRates(), rate);
}

QString deviceNameFor(const QString& id) {
    return QStringLiteral("KRB") + id;
}

QString deviceIdOfName(const QString& name) {
    return name.mid(3, 2);
}

QString methodName(CommMethod method) {
    switch (method) {
        case CommMethod::Rs232:
            return QStringLiteral("RS-232");
        case CommMethod::Rs485:
            return QStringLiteral("RS-485");
        case CommMethod::CanOpen:
            return QStringLiteral("CANopen");
    }
    return QString();
}

CommMethod methodFromDevice(int32_t code) {
    if (code == 1) {
        return CommMethod::Rs485;
    }
    return code == 2 ? CommMethod::CanOpen : CommMethod::Rs232;
}

CommMethod methodFromFile(int32_t code) {
    if (code == 0) {
        return CommMethod::Rs232;
    }
    return code == 1 ? CommMethod::Rs485 : CommMethod::CanOpen;
}

PolarityHighs polarityFromWord(int32_t word) {
    PolarityHighs highs{};
    for (size_t i = 0; i < kPolarityBits.size(); ++i) {
        highs[i] = BitAnd(word, kPolarityBits[i]) == kPolarityBits[i];
    }
    return highs;
}

int32_t polarityWord(const PolarityHighs& highs) {
    int32_t word = 0;
    for (size_t i = 0; i < kPolarityBits.size(); ++i) {
        if (highs[i]) {
            word = BitOr(word, kPolarityBits[i]);
        }
    }
    return word;
}
