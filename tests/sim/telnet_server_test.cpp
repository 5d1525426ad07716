// The simulator's Telnet server with the COM port option, alone: what it answers to each
// negotiation and setting, the data it lets through, and that no split or damaged input confuses
// it.
#include <gtest/gtest.h>

#include <QList>
#include <initializer_list>
#include <random>

#include "sim/telnet_server.h"
#include "support/qt_printers.h"

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (const int v : values) {
        out += static_cast<char>(v);
    }
    return out;
}

// IAC SB 44 <code> <value> IAC SE, as the client sends it and as the server answers.
QByteArray sub(int code, const QByteArray& value) {
    return bytes({255, 250, 44, code}) + value + bytes({255, 240});
}

// Each request in turn on one session, and what the server answers to it.
TEST(TelnetServer, AgreesToItsOptionsRefusesOthersOnceAndNeverLoops) {
    TelnetServer server;
    const struct {
        const char* what;
        QByteArray request;
        QByteArray answer;
    } steps[] = {
        {"WILL COM-PORT", bytes({255, 251, 44}), bytes({255, 253, 44})},
        {"WILL COM-PORT again", bytes({255, 251, 44}), ""},
        {"DO COM-PORT", bytes({255, 253, 44}), bytes({255, 251, 44})},
        {"WILL BINARY, DO BINARY", bytes({255, 251, 0, 255, 253, 0}),
         bytes({255, 253, 0, 255, 251, 0})},
        {"WILL SGA, DO SGA", bytes({255, 251, 3, 255, 253, 3}), bytes({255, 253, 3, 255, 251, 3})},
        {"DO BINARY again", bytes({255, 253, 0}), ""},
        {"WILL TERMINAL-TYPE", bytes({255, 251, 24}), bytes({255, 254, 24})},
        {"WILL TERMINAL-TYPE again", bytes({255, 251, 24}), bytes({255, 254, 24})},
        {"WONT TERMINAL-TYPE", bytes({255, 252, 24}), ""},
        {"DO ECHO", bytes({255, 253, 1}), bytes({255, 252, 1})},
        {"DONT ECHO", bytes({255, 254, 1}), ""},
        {"DONT BINARY", bytes({255, 254, 0}), bytes({255, 252, 0})},
        {"DONT BINARY again", bytes({255, 254, 0}), ""},
        {"WONT COM-PORT", bytes({255, 252, 44}), bytes({255, 254, 44})},
        {"WONT COM-PORT again", bytes({255, 252, 44}), ""},
        {"NOP, AYT, GA", bytes({255, 241, 255, 246, 255, 249}), ""},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(server.receive(s.request), "") << s.what;
        EXPECT_EQ(server.takeAnswers(), s.answer) << s.what;
    }
}

// Each setting on a new session after the given earlier ones: the answer names what is in force.
TEST(TelnetServer, AnswersEverySettingWithTheValueInForce) {
    const struct {
        const char* what;
        QByteArray requests;
        QByteArray lastAnswer;
        QList<int> line;  // baud, data bits, parity, stop bits, DTR, RTS afterwards
    } cases[] = {
        {"baud 19200",
         sub(1, bytes({0, 0, 0x4b, 0})),
         sub(101, bytes({0, 0, 0x4b, 0})),
         {19200, 8, 1, 1, 1, 1}},
        {"baud asked",
         sub(1, bytes({0, 1, 0xc2, 0})) + sub(1, bytes({0, 0, 0, 0})),
         sub(101, bytes({0, 1, 0xc2, 0})),
         {115200, 8, 1, 1, 1, 1}},
        {"baud too high",
         sub(1, bytes({0, 3, 0x84, 1})),
         sub(101, bytes({0, 0, 0x25, 0x80})),
         {9600, 8, 1, 1, 1, 1}},
        {"baud too low",
         sub(1, bytes({0, 0, 0, 49})),
         sub(101, bytes({0, 0, 0x25, 0x80})),
         {9600, 8, 1, 1, 1, 1}},
        // 65280 baud carries 0xFF: the client doubles it, and so does the answer.
        {"baud with 0xFF",
         sub(1, bytes({0, 0, 255, 255, 0})),
         sub(101, bytes({0, 0, 255, 255, 0})),
         {65280, 8, 1, 1, 1, 1}},
        {"baud short", sub(1, bytes({0, 0x4b, 0})), "", {9600, 8, 1, 1, 1, 1}},
        {"7 data bits", sub(2, bytes({7})), sub(102, bytes({7})), {9600, 7, 1, 1, 1, 1}},
        {"9 data bits",
         sub(2, bytes({7})) + sub(2, bytes({9})),
         sub(102, bytes({7})),
         {9600, 7, 1, 1, 1, 1}},
        {"data bits asked", sub(2, bytes({0})), sub(102, bytes({8})), {9600, 8, 1, 1, 1, 1}},
        {"even parity", sub(3, bytes({3})), sub(103, bytes({3})), {9600, 8, 3, 1, 1, 1}},
        {"parity 6", sub(3, bytes({6})), sub(103, bytes({1})), {9600, 8, 1, 1, 1, 1}},
        {"2 stop bits", sub(4, bytes({2})), sub(104, bytes({2})), {9600, 8, 1, 2, 1, 1}},
        {"DTR off", sub(5, bytes({9})), sub(105, bytes({9})), {9600, 8, 1, 1, 0, 1}},
        {"DTR asked",
         sub(5, bytes({9})) + sub(5, bytes({7})),
         sub(105, bytes({9})),
         {9600, 8, 1, 1, 0, 1}},
        {"DTR on",
         sub(5, bytes({9})) + sub(5, bytes({8})),
         sub(105, bytes({8})),
         {9600, 8, 1, 1, 1, 1}},
        {"RTS off", sub(5, bytes({12})), sub(105, bytes({12})), {9600, 8, 1, 1, 1, 0}},
        {"no flow control", sub(5, bytes({1})), sub(105, bytes({1})), {9600, 8, 1, 1, 1, 1}},
        {"flow asked", sub(5, bytes({0})), sub(105, bytes({1})), {9600, 8, 1, 1, 1, 1}},
        {"hardware flow refused", sub(5, bytes({3})), sub(105, bytes({1})), {9600, 8, 1, 1, 1, 1}},
        {"inbound flow asked", sub(5, bytes({13})), sub(105, bytes({14})), {9600, 8, 1, 1, 1, 1}},
        {"break on", sub(5, bytes({5})), sub(105, bytes({5})), {9600, 8, 1, 1, 1, 1}},
        {"control 99", sub(5, bytes({99})), "", {9600, 8, 1, 1, 1, 1}},
        {"line state mask", sub(10, bytes({0})), sub(110, bytes({0})), {9600, 8, 1, 1, 1, 1}},
        {"modem state mask",
         sub(11, bytes({255, 255})),
         sub(111, bytes({255, 255})),
         {9600, 8, 1, 1, 1, 1}},
        {"signature asked", sub(0, ""), sub(100, "nvq-can-sim"), {9600, 8, 1, 1, 1, 1}},
        {"client's signature", sub(0, "pc"), "", {9600, 8, 1, 1, 1, 1}},
        {"notify line state", sub(6, bytes({0})), "", {9600, 8, 1, 1, 1, 1}},
        {"other option", bytes({255, 250, 24, 1, 255, 240}), "", {9600, 8, 1, 1, 1, 1}},
    };
    for (const auto& c : cases) {
        TelnetServer server;
        EXPECT_EQ(server.receive(c.requests), "") << c.what;
        EXPECT_TRUE(server.takeAnswers().endsWith(c.lastAnswer)) << c.what;
        EXPECT_EQ(QList<int>({server.baud(), server.dataSize(), server.parity(), server.stopSize(),
                              server.dtr(), server.rts()}),
                  c.line)
            << c.what;
    }
}

TEST(TelnetServer, RefusingBaudRatesAnswersTheRateStillInForce) {
    TelnetServer server;
    server.receive(sub(1, bytes({0, 0, 0x4b, 0})));
    server.setRefuseBaud(true);
    server.takeAnswers();
    server.receive(sub(1, bytes({0, 0, 0x96, 0})));
    EXPECT_EQ(server.takeAnswers(), sub(101, bytes({0, 0, 0x4b, 0})));
    EXPECT_EQ(server.baud(), 19200);
    server.setRefuseBaud(false);
    server.receive(sub(1, bytes({0, 0, 0x96, 0})));
    EXPECT_EQ(server.takeAnswers(), sub(101, bytes({0, 0, 0x96, 0})));
    EXPECT_EQ(server.baud(), 38400);
}

TEST(TelnetServer, DoublesTheByte0xFfBothWays) {
    TelnetServer server;
    EXPECT_EQ(server.receive(bytes({'@', 255, 255, 'x', 255, 255, 255, 255, '\r'})),
              bytes({'@', 255, 'x', 255, 255, '\r'}));
    EXPECT_EQ(TelnetServer::escape(bytes({1, 255, 2, 255, 255})),
              bytes({1, 255, 255, 2, 255, 255, 255, 255}));
    EXPECT_EQ(TelnetServer::escape("@01ID\r"), "@01ID\r");
    EXPECT_EQ(server.takeAnswers(), "");
}

// Purges: 1 what the devices sent, 2 what came from the client, 3 both. Reading stops after a
// purge, so that the data before it can be heard before it applies; the rest follows.
TEST(TelnetServer, PurgesAreReportedAnsweredAndComeAfterTheDataBeforeThem) {
    const struct {
        int value;
        QByteArray first;
        int purges;
    } cases[] = {{1, "@01ID\r", 1}, {2, "@01ID\r", 2}, {3, "@01ID\r", 3}, {4, "@01ID\r@02", 0}};
    for (const auto& c : cases) {
        TelnetServer server;
        EXPECT_EQ(server.receive("@01ID\r" + sub(12, bytes({c.value})) + "@02"), c.first)
            << c.value;
        EXPECT_EQ(server.takePurges(), c.purges) << c.value;
        EXPECT_EQ(server.takeAnswers(), c.purges ? sub(112, bytes({c.value})) : QByteArray())
            << c.value;
        EXPECT_EQ(server.hasInput(), c.purges != 0) << c.value;
        EXPECT_EQ(server.receive("ID\r"), c.purges ? "@02ID\r" : "ID\r") << c.value;
        EXPECT_EQ(server.takePurges(), 0);
        EXPECT_FALSE(server.hasInput());
    }
}

// A session of negotiation, settings and data gives the same data and answers however the
// stream is cut into reads.
TEST(TelnetServer, SequencesSplitAcrossReadsGiveTheSameResult) {
    const QByteArray stream = bytes({255, 251, 44, 255, 253, 0}) + "@01" +
                              sub(1, bytes({0, 0, 255, 255, 0})) + bytes({255, 255}) + "ID\r" +
                              sub(5, bytes({9})) + bytes({255, 251, 24}) + "@01PX\r";
    TelnetServer whole;
    const QByteArray data = whole.receive(stream);
    const QByteArray answers = whole.takeAnswers();
    EXPECT_EQ(data, QByteArray("@01") + bytes({255}) + "ID\r@01PX\r");
    EXPECT_EQ(answers, bytes({255, 253, 44, 255, 251, 0}) + sub(101, bytes({0, 0, 255, 255, 0})) +
                           sub(105, bytes({9})) + bytes({255, 254, 24}));
    std::mt19937 random(7);
    for (int run = 0; run < 200; ++run) {
        TelnetServer split;
        QByteArray gotData;
        QByteArray gotAnswers;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype n = run == 0 ? 1 : 1 + random() % 6;
            gotData += split.receive(stream.mid(at, n));
            gotAnswers += split.takeAnswers();
            at += n;
        }
        ASSERT_EQ(gotData, data) << run;
        ASSERT_EQ(gotAnswers, answers) << run;
        EXPECT_EQ(split.baud(), 65280);
    }
}

// Damaged input: an overlong subnegotiation is dropped whole, one cut short by another command
// is dropped and the command counts, a stray SE is nothing; the session goes on afterwards.
TEST(TelnetServer, DamagedSequencesAreDroppedAndTheSessionGoesOn) {
    const struct {
        const char* what;
        QByteArray input;
        QByteArray data;
        QByteArray answers;
    } cases[] = {
        {"overlong", bytes({255, 250, 44, 1}) + QByteArray(200, 'x') + bytes({255, 240}), "", ""},
        {"cut short", bytes({255, 250, 44, 1, 0, 255, 251, 44}), "", bytes({255, 253, 44})},
        {"stray SE", bytes({255, 240}) + "ab", "ab", ""},
        {"empty", bytes({255, 250, 255, 240}), "", ""},
        {"option only", bytes({255, 250, 44, 255, 240}), "", ""},
        {"unknown command", bytes({255, 7}) + "c", "c", ""},
    };
    for (const auto& c : cases) {
        TelnetServer server;
        EXPECT_EQ(server.receive(c.input), c.data) << c.what;
        EXPECT_EQ(server.takeAnswers(), c.answers) << c.what;
        EXPECT_EQ(server.receive("@01ID\r" + sub(2, bytes({0}))), "@01ID\r") << c.what;
        EXPECT_EQ(server.takeAnswers(), sub(102, bytes({8}))) << c.what;
    }
}

}  // namespace
