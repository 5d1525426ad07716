#include "sim/telnet_server.h"

namespace {

// Telnet commands and options.
constexpr unsigned char kIac = 255;
constexpr unsigned char kDont = 254;
constexpr unsigned char kDo = 253;
constexpr unsigned char kWont = 252;
constexpr unsigned char kWill = 251;
constexpr unsigned char kSb = 250;
constexpr unsigned char kSe = 240;
constexpr unsigned char kBinary = 0;
constexpr unsigned char kSuppressGoAhead = 3;
constexpr unsigned char kComPort = 44;

// COM port commands from the client; the server answers each with the code plus 100.
constexpr unsigned char kSignature = 0;
constexpr unsigned char kSetBaudRate = 1;
constexpr unsigned char kSetDataSize = 2;
constexpr unsigned char kSetParity = 3;
constexpr unsigned char kSetStopSize = 4;
constexpr unsigned char kSetControl = 5;
constexpr unsigned char kSetLineStateMask = 10;
constexpr unsigned char kSetModemStateMask = 11;
constexpr unsigned char kPurgeData = 12;
constexpr unsigned char kAnswerOffset = 100;

// A subnegotiation longer than any COM port command is dropped whole.
constexpr int kMaxSub = 64;

bool agreed(unsigned char option) {
    return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}

QByteArray bigEndian32(quint32 value) {
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<char>((value >> (24 - 8 * i)) & 0xff);
    }
    return out;
}

}  // namespace

QByteArray TelnetServer::escape(const QByteArray& data) {
    QByteArray out;
    out.reserve(data.size());
    for (const char c : data) {
        out += c;
        if (static_cast<unsigned char>(c) == kIac) {
            out += c;
        }
    }
    return out;
}

QByteArray TelnetServer::takeAnswers() {
    QByteArray out;
    out.swap(answers_);
    return out;
}

int TelnetServer::takePurges() {
    const int out = purges_;
    purges_ = 0;
    return out;
}

QByteArray TelnetServer::receive(const QByteArray& bytes) {
    data_.clear();
    input_ += bytes;
    purged_ = false;
    qsizetype used = 0;
    while (used < input_.size() && !purged_) {
        const char c = input_[used++];
        const auto b = static_cast<unsigned char>(c);
        switch (state_) {
            case State::Data:
                if (b == kIac) {
                    state_ = State::Command;
                } else {
                    data_ += c;
                }
                break;
            case State::Command:
                command(b);
                break;
            case State::Option:
                state_ = State::Data;
                option(b);
                break;
            case State::Sub:
                if (b == kIac) {
                    state_ = State::SubCommand;
                } else if (sub_.size() < kMaxSub) {
                    sub_ += c;
                } else {
                    subTooLong_ = true;
                }
                break;
            case State::SubCommand:
                if (b == kSe) {
                    state_ = State::Data;
                    subnegotiation();
                } else if (b == kIac) {
                    state_ = State::Sub;
                    if (sub_.size() < kMaxSub) {
                        sub_ += c;
                    } else {
                        subTooLong_ = true;
                    }
                } else {
                    // A subnegotiation cut short by another command: dropped, the command counts.
                    command(b);
                }
                break;
        }
    }
    input_.remove(0, used);
    QByteArray out;
    out.swap(data_);
    return out;
}

void TelnetServer::command(unsigned char byte) {
    state_ = State::Data;
    if (byte == kIac) {
        data_ += static_cast<char>(kIac);
    } else if (byte == kWill || byte == kWont || byte == kDo || byte == kDont) {
        verb_ = byte;
        state_ = State::Option;
    } else if (byte == kSb) {
        sub_.clear();
        subTooLong_ = false;
        state_ = State::Sub;
    }
    // Other commands (NOP, go-ahead, break, a stray SE, ...) carry nothing for the line.
}

void TelnetServer::option(unsigned char option) {
    bool& state = (verb_ == kWill || verb_ == kWont) ? theirs_[option] : ours_[option];
    const bool wanted = verb_ == kWill || verb_ == kDo;
    if (wanted && !agreed(option)) {
        // Refused: the state stays off and the client hears so once per request.
        answerOption(verb_ == kWill ? kDont : kWont, option);
    } else if (wanted != state) {
        state = wanted;
        const bool them = verb_ == kWill || verb_ == kWont;
        answerOption(them ? (wanted ? kDo : kDont) : (wanted ? kWill : kWont), option);
    }
}

void TelnetServer::answerOption(unsigned char verb, unsigned char option) {
    answers_ += static_cast<char>(kIac);
    answers_ += static_cast<char>(verb);
    answers_ += static_cast<char>(option);
}

void TelnetServer::subnegotiation() {
    if (subTooLong_ || sub_.size() < 2 || static_cast<unsigned char>(sub_[0]) != kComPort) {
        return;
    }
    comPort(static_cast<unsigned char>(sub_[1]), sub_.mid(2));
}

void TelnetServer::answer(unsigned char code, const QByteArray& value) {
    answers_ += static_cast<char>(kIac);
    answers_ += static_cast<char>(kSb);
    answers_ += static_cast<char>(kComPort);
    answers_ += static_cast<char>(code + kAnswerOffset);
    answers_ += escape(value);
    answers_ += static_cast<char>(kIac);
    answers_ += static_cast<char>(kSe);
}

void TelnetServer::comPort(unsigned char code, const QByteArray& value) {
    switch (code) {
        case kSignature:
            // An empty one asks for ours; the client's own needs no answer.
            if (value.isEmpty()) {
                answer(code, QByteArrayLiteral("nvq-can-sim"));
            }
            break;
        case kSetBaudRate:
            setBaud(value);
            break;
        case kSetDataSize:
            setByte(code, value, 5, 8, dataSize_);
            break;
        case kSetParity:
            setByte(code, value, 1, 5, parity_);
            break;
        case kSetStopSize:
            setByte(code, value, 1, 3, stopSize_);
            break;
        case kSetControl:
            if (value.size() == 1) {
                setControl(static_cast<unsigned char>(value[0]));
            }
            break;
        case kSetLineStateMask:
            setByte(code, value, 0, 255, lineStateMask_);
            break;
        case kSetModemStateMask:
            setByte(code, value, 0, 255, modemStateMask_);
            break;
        case kPurgeData:
            if (value.size() == 1 && value[0] >= 1 && value[0] <= 3) {
                purges_ |= value[0];
                purged_ = true;
                answer(code, value);
            }
            break;
        default:
            break;  // notifications and flow control suspend/resume: nothing to do
    }
}

void TelnetServer::setBaud(const QByteArray& value) {
    if (value.size() != 4) {
        return;
    }
    quint32 rate = 0;
    for (const char c : value) {
        rate = (rate << 8) | static_cast<unsigned char>(c);
    }
    if (rate != 0 && !refuseBaud_ && rate >= kMinBaud && rate <= kMaxBaud) {
        baud_ = static_cast<int>(rate);
    }
    answer(kSetBaudRate, bigEndian32(static_cast<quint32>(baud_)));
}

void TelnetServer::setByte(unsigned char code, const QByteArray& value, int low, int high,
                           int& setting) {
    if (value.size() != 1) {
        return;
    }
    const int v = static_cast<unsigned char>(value[0]);
    // 0 asks, except for the masks, where it is a value like any other.
    if (v >= low && v <= high && (v != 0 || low == 0)) {
        setting = v;
    }
    answer(code, QByteArray(1, static_cast<char>(setting)));
}

void TelnetServer::setControl(unsigned char value) {
    char now = 0;
    switch (value) {
        case 0:       // outbound flow control asked
        case 1:       // none
        case 2:       // XON/XOFF
        case 3:       // hardware
        case 17:      // DCD
        case 19:      // DSR
            now = 1;  // the line has no flow control
            break;
        case 13:  // inbound flow control asked
        case 14:  // none
        case 15:  // XON/XOFF
        case 16:  // hardware
        case 18:  // DTR
            now = 14;
            break;
        case 5:
        case 6:
            break_ = value == 5;
            [[fallthrough]];
        case 4:
            now = break_ ? 5 : 6;
            break;
        case 8:
        case 9:
            dtr_ = value == 8;
            [[fallthrough]];
        case 7:
            now = dtr_ ? 8 : 9;
            break;
        case 11:
        case 12:
            rts_ = value == 11;
            [[fallthrough]];
        case 10:
            now = rts_ ? 11 : 12;
            break;
        default:
            return;  // no such control value: nothing to answer
    }
    answer(kSetControl, QByteArray(1, now));
}
