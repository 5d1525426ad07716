#include <gtest/gtest.h>

#include "link/network_address.h"
#include "link/telnet_client.h"
#include "support/byte_list.h"
#include "support/qt_printers.h"

namespace {

struct FeedCase {
    const char* name;
    QList<QByteArray> chunks;  // fed one after the other
    QByteArray data;           // the line's data out of them
    QByteArray replies;        // what the client must answer
};

class TelnetFeed : public testing::TestWithParam<FeedCase> {};

TEST_P(TelnetFeed, SeparatesDataFromTheStreamsCommands) {
    TelnetClient client;
    QByteArray data;
    for (const QByteArray& chunk : GetParam().chunks) {
        data += client.feed(chunk);
    }
    EXPECT_EQ(data, GetParam().data);
    EXPECT_EQ(client.takeReplies(), GetParam().replies);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, TelnetFeed,
    testing::Values(
        FeedCase{"plain", {"KRB01\r"}, "KRB01\r", {}},
        FeedCase{"doubled_ff_is_one_data_byte",
                 {byteList({'A', 255, 255, 'B'})},
                 byteList({'A', 255, 'B'}),
                 {}},
        FeedCase{"ff_split_over_two_reads",
                 {byteList({'A', 255}), byteList({255, 'B'})},
                 byteList({'A', 255, 'B'}),
                 {}},
        // Without binary from the server, CR NUL is a line end; with it, NUL is data.
        FeedCase{"cr_nul_padding_dropped", {byteList({'1', '\r', 0})}, "1\r", {}},
        FeedCase{
            "nul_kept_once_binary", {byteList({255, 251, 0, '\r', 0})}, byteList({'\r', 0}), {}},
        FeedCase{"nul_not_after_cr_kept", {byteList({'a', 0, 'b'})}, byteList({'a', 0, 'b'}), {}},
        FeedCase{
            "unknown_will_refused", {byteList({255, 251, 1, 'x'})}, "x", byteList({255, 254, 1})},
        FeedCase{"unknown_do_refused", {byteList({255, 253, 24})}, {}, byteList({255, 252, 24})},
        FeedCase{"agreed_options_need_no_answer",
                 {byteList({255, 253, 0, 255, 251, 3, 255, 253, 44})},
                 {},
                 {}},
        FeedCase{"subnegotiation_split_everywhere",
                 {byteList({255}), byteList({250, 44}), byteList({101, 0, 0}),
                  byteList({37, 128, 255}), byteList({240, 'o', 'k'})},
                 "ok",
                 {}},
        FeedCase{"nop_and_go_ahead_ignored", {byteList({'a', 255, 241, 255, 249, 'b'})}, "ab", {}},
        FeedCase{"stray_se_ignored", {byteList({'a', 255, 240, 'b'})}, "ab", {}},
        FeedCase{"endless_subnegotiation_holds_nothing",
                 {QByteArray(3, '\0') + byteList({255, 250, 44}) + QByteArray(100000, 'x') +
                  byteList({255, 240, 'z'})},
                 QByteArray(3, '\0') + "z",
                 {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TelnetClient, KeepsEachSettingsAnswerUntilTaken) {
    TelnetClient client;
    // 115200 is 0x0001C200; the answer to the baud rate is command 101, data size 102.
    client.feed(
        byteList({255, 250, 44, 101, 0, 1, 194, 0, 255, 240, 255, 250, 44, 102, 8, 255, 240}));
    QByteArray value;
    ASSERT_TRUE(client.takeAnswer(TelnetClient::kSetBaudRate, value));
    EXPECT_EQ(value, byteList({0, 1, 194, 0}));
    EXPECT_FALSE(client.takeAnswer(TelnetClient::kSetBaudRate, value)) << "taken once";
    ASSERT_TRUE(client.takeAnswer(TelnetClient::kSetDataSize, value));
    EXPECT_EQ(value, byteList({8}));
    // A value holding 0xFF comes doubled.
    client.feed(byteList({255, 250, 44, 101, 0, 0, 255, 255, 255, 255, 255, 240}));
    ASSERT_TRUE(client.takeAnswer(TelnetClient::kSetBaudRate, value));
    EXPECT_EQ(value, byteList({0, 0, 255, 255}));
}

TEST(TelnetClient, FollowsTheServersAnswerToTheComPortOption) {
    TelnetClient accepted;
    EXPECT_EQ(accepted.comPort(), TelnetClient::ComPort::Asked);
    accepted.feed(byteList({255, 253, 44}));
    EXPECT_EQ(accepted.comPort(), TelnetClient::ComPort::Accepted);
    TelnetClient refused;
    refused.feed(byteList({255, 254, 44}));
    EXPECT_EQ(refused.comPort(), TelnetClient::ComPort::Refused);
}

TEST(TelnetClient, FramesWhatItSends) {
    TelnetClient client;
    EXPECT_EQ(client.greeting(), byteList({255, 251, 0, 255, 253, 0, 255, 253, 3, 255, 251, 44}));
    // Until the server takes binary, CR goes out padded; 0xFF always doubled.
    EXPECT_EQ(client.encodeData(byteList({'@', 255, '\r'})), byteList({'@', 255, 255, '\r', 0}));
    client.feed(byteList({255, 253, 0}));
    EXPECT_EQ(client.encodeData(byteList({'@', 255, '\r'})), byteList({'@', 255, 255, '\r'}));
    EXPECT_EQ(TelnetClient::setBaudRate(19200), byteList({255, 250, 44, 1, 0, 0, 75, 0, 255, 240}));
    EXPECT_EQ(TelnetClient::setBaudRate(0xFF),
              byteList({255, 250, 44, 1, 0, 0, 0, 255, 255, 255, 240}));
    EXPECT_EQ(TelnetClient::setByte(TelnetClient::kSetControl, TelnetClient::kDtrOff),
              byteList({255, 250, 44, 5, 9, 255, 240}));
}

struct AddressCase {
    const char* text;
    const char* shown;    // text() of the parsed address; "" when refused
    const char* problem;  // "" when parsed
};

class AddressParse : public testing::TestWithParam<AddressCase> {};

TEST_P(AddressParse, TakesOnlyWellFormedAddresses) {
    const ParsedAddress parsed = parseNetworkAddress(QString::fromUtf8(GetParam().text));
    EXPECT_EQ(parsed.problem, QString::fromUtf8(GetParam().problem));
    EXPECT_EQ(parsed.address ? parsed.address->text() : QString(),
              QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AddressParse,
    testing::Values(
        AddressCase{"rfc2217://cabinet-gw:4001", "rfc2217://cabinet-gw:4001", ""},
        AddressCase{"TCP://10.0.0.7:23", "tcp://10.0.0.7:23", ""},
        AddressCase{"tcp://[::1]:4001", "tcp://[::1]:4001", ""},
        AddressCase{"udp://gw:4001", "", "the address must start with tcp:// or rfc2217://"},
        AddressCase{"tcp://gw", "", "the address must end with :PORT"},
        AddressCase{"tcp://gw:0", "", "the port must be a number from 1 to 65535"},
        AddressCase{"tcp://gw:65536", "", "the port must be a number from 1 to 65535"},
        AddressCase{"tcp://gw:+23", "", "the port must be a number from 1 to 65535"},
        AddressCase{"tcp://::1:23", "", "an IPv6 address must be written in brackets"},
        AddressCase{"tcp://[gw]:23", "", "the host in brackets must be an IPv6 address"},
        AddressCase{"tcp://gw;rm -rf:23", "",
                    "the host must be a name (letters, digits, '-', '.') or an IP address"},
        AddressCase{"tcp://:23", "",
                    "the host must be a name (letters, digits, '-', '.') or an IP address"}));

}  // namespace
