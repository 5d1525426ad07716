#include "link/telnet_client.h"

namespace {

constexpr uint8_t kSe = 240;
constexpr uint8_t kSb = 250;
constexpr uint8_t kWill = 251;
constexpr uint8_t kWont = 252;
constexpr uint8_t kDo = 253;
constexpr uint8_t kDont = 254;
constexpr uint8_t kBinary = 0;
constexpr uint8_t kSuppressGoAhead = 3;
// A COM port answer is at most a command and four value bytes; anything longer is no answer
// this client asked for, and is dropped rather than kept.
constexpr qsizetype kMaxSubnegotiation = 16;
constexpr uint8_t kServerOffset = 100;

QByteArray telnetBytes(std::initializer_list<uint8_t> list) {
    QByteArray b;
    for (uint8_t v : list) {
        b += static_cast<char>(v);
    }
    return b;
}

}  // namespace

QByteArray TelnetClient::greeting() {
    return telnetBytes({kIac, kWill, kBinary, kIac, kDo, kBinary, kIac, kDo, kSuppressGoAhead, kIac,
                        kWill, kComPortOption});
}

QByteArray TelnetClient::encodeData(const QByteArray& data) const {
    QByteArray out;
    out.reserve(data.size() + 4);
    for (char c : data) {
        out += c;
        if (static_cast<uint8_t>(c) == kIac) {
            out += c;
        } else if (c == '\r' && !localBinary_) {
            out += '\0';
        }
    }
    return out;
}

QByteArray TelnetClient::comPortCommand(uint8_t command, const QByteArray& value) {
    QByteArray out = telnetBytes({kIac, kSb, kComPortOption, command});
    for (char c : value) {
        out += c;
        if (static_cast<uint8_t>(c) == kIac) {
            out += c;
        }
    }
    return out + telnetBytes({kIac, kSe});
}

QByteArray TelnetClient::setBaudRate(uint32_t baud) {
    return comPortCommand(
        kSetBaudRate,
        telnetBytes({static_cast<uint8_t>(baud >> 24), static_cast<uint8_t>(baud >> 16),
                     static_cast<uint8_t>(baud >> 8), static_cast<uint8_t>(baud)}));
}

QByteArray TelnetClient::setByte(uint8_t command, uint8_t value) {
    return comPortCommand(command, telnetBytes({value}));
}

QByteArray TelnetClient::feed(const QByteArray& input) {
    QByteArray data;
    for (char c : input) {
        const auto b = static_cast<uint8_t>(c);
        switch (state_) {
            case State::Data:
                if (b == kIac) {
                    state_ = State::Iac;
                } else if (!(b == 0 && lastWasCr_ && !remoteBinary_)) {
                    data += c;  // a NUL after CR pads the line end of a non-binary stream
                }
                lastWasCr_ = c == '\r';
                break;
            case State::Iac:
                state_ = State::Data;
                if (b == kIac) {
                    data += c;
                    lastWasCr_ = false;
                } else if (b == kSb) {
                    sub_.clear();
                    subOverflow_ = false;
                    state_ = State::Sub;
                } else if (b >= kWill && b <= kDont) {
                    verb_ = b;
                    state_ = State::Option;
                }
                // Any other command (NOP, go-ahead, break, a stray SE) means nothing here.
                break;
            case State::Option:
                option(verb_, b);
                state_ = State::Data;
                break;
            case State::Sub:
                if (b == kIac) {
                    state_ = State::SubIac;
                } else if (sub_.size() < kMaxSubnegotiation) {
                    sub_ += c;
                } else {
                    subOverflow_ = true;
                }
                break;
            case State::SubIac:
                if (b == kIac) {
                    state_ = State::Sub;
                    if (sub_.size() < kMaxSubnegotiation) {
                        sub_ += c;
                    } else {
                        subOverflow_ = true;
                    }
                } else {
                    // SE ends it; anything else is a broken subnegotiation, ended all the same.
                    state_ = State::Data;
                    if (b == kSe && !subOverflow_) {
                        subnegotiation();
                    }
                }
                break;
        }
    }
    return data;
}

QByteArray TelnetClient::takeReplies() {
    QByteArray r;
    r.swap(replies_);
    return r;
}

bool TelnetClient::takeAnswer(uint8_t command, QByteArray& value) {
    const auto it = answers_.find(command);
    if (it == answers_.end()) {
        return false;
    }
    value = it.value();
    answers_.erase(it);
    return true;
}

void TelnetClient::reply(uint8_t verb, uint8_t code) {
    replies_ += telnetBytes({kIac, verb, code});
}

// Answers only a change of state, so that two sides never bounce a request back and forth;
// the client's own requests (greeting) are agreed to silently.
void TelnetClient::option(uint8_t verb, uint8_t code) {
    switch (verb) {
        case kDo:  // the server asks the client to do something
            if (code == kBinary) {
                localBinary_ = true;
            } else if (code == kComPortOption) {
                comPort_ = ComPort::Accepted;
            } else {
                reply(kWont, code);
            }
            break;
        case kDont:
            if (code == kBinary) {
                localBinary_ = false;
            } else if (code == kComPortOption) {
                comPort_ = ComPort::Refused;
            }
            break;
        case kWill:  // the server offers to do something
            if (code == kBinary) {
                remoteBinary_ = true;
            } else if (code != kSuppressGoAhead) {
                reply(kDont, code);
            }
            break;
        case kWont:
            if (code == kBinary) {
                remoteBinary_ = false;
            }
            break;
        default:
            break;
    }
}

void TelnetClient::subnegotiation() {
    if (sub_.size() < 2 || static_cast<uint8_t>(sub_[0]) != kComPortOption) {
        return;
    }
    const auto command = static_cast<uint8_t>(sub_[1]);
    if (command > kServerOffset) {
        answers_.insert(static_cast<uint8_t>(command - kServerOffset), sub_.mid(2));
    }
    // Notifications of line and modem state (106, 107) and flow control (108, 109) need no
    // answer: the program polls the line and sets no flow control.
}
