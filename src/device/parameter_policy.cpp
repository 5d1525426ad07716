#include "device/parameter_policy.h"

#include "link/exchange.h"
#include "link/messages.h"

ParameterPolicy::ParameterPolicy(SerialPort& port, LineState& line, ConnectionValues& values,
                                 Tell tell)
    : port_(port), values_(values), line_(line), tell_(std::move(tell)) {}

QString ParameterPolicy::SendReceive(const QString& command) {
    if (!values_.ComStatus) {
        return QString();
    }
    const ExchangeResult result = exchange(port_, line_, values_.ComAddress, command);
    switch (result.status) {
        case ExchangeResult::Status::Reply:
            if (!result.text.isEmpty()) {
                return result.text;
            }
            tell_(kNoResponse);
            values_.ComStatus = false;
            return QStringLiteral("0");
        case ExchangeResult::Status::NoReply:
            values_.ComStatus = false;
            tell_(kNoReplyToCommand + command);
            return QStringLiteral("0");
        case ExchangeResult::Status::PortFailure:
            tell_(kCommunicationError + result.error);
            return QString();
    }
    return QString();
}
