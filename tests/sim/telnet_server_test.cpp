// The simulator's Telnet server with the COM port option, alone: what it answers to each
// negotiation and setting, the data it lets through, and that no split or damaged input confuses
// it.
#include <gtest/gtest.h>

#include <QList>
#include <initializer_list>
#include <random>

#include "sim/telnet_server.h"
#include "support/byte_list.h"
#include "support/qt_printers.h"

namespace {

// Each request in turn on one session, and what the server answers to it.
TEST(TelnetServer, AgreesToItsOptionsRefusesOthersOnceAndNeverLoops) {
    TelnetServer server;
    const struct {
        const char* what;
        QByteArray request;
        QByteArray answer;
    } steps[] = {
        {"WILL COM-PORT", byteList({255, 251, 44}), byteList({255, 253, 44})},
        {"WILL COM-PORT again", byteList({255, 251, 44}), ""},
        {"DO COM-PORT", byteList({255, 253, 44}), byteList({255, 251, 44})},
        {"WILL BINARY, DO BINARY", byteList({255, 251, 0, 255, 253, 0}),
         byteList({255, 253, 0, 255, 251, 0})},
        {"WILL SGA, DO SGA", byteList({255, 251, 3, 255, 253, 3}),
         byteList({255, 253, 3, 255, 251, 3})},
        {"DO BINARY again", byteList({255, 253, 0}), ""},
        {"WILL TERMINAL-TYPE", byteList({255, 251, 24}), byteList({255, 254, 24})},
        {"WILL TERMINAL-TYPE again", byteList({255, 251, 24}), byteList({255, 254, 24})},
        {"WONT TERMINAL-TYPE", byteList({255, 252, 24}), ""},
        {"DO ECHO", byteList({255, 253, 1}), byteList({255, 252, 1})},
        {"DONT ECHO", byteList({255, 254, 1}), ""},
        {"DONT BINARY", byteList({255, 254, 0}), byteList({255, 252, 0})},
        {"DONT BINARY again", byteList({255, 254, 0}), ""},
        {"WONT COM-PORT", byteList({255, 252, 44}), byteList({255, 254, 44})},
        {"WONT COM-PORT again", byteList({255, 252, 44}), ""},
        {"NOP, AYT, GA", byteList({255, 241, 255, 246, 255, 249}), ""},
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
         comPortFrame(1, byteList({0, 0, 0x4b, 0})),
         comPortFrame(101, byteList({0, 0, 0x4b, 0})),
         {19200, 8, 1, 1, 1, 1}},
        {"baud asked",
         comPortFrame(1, byteList({0, 1, 0xc2, 0})) + comPortFrame(1, byteList({0, 0, 0, 0})),
         comPortFrame(101, byteList({0, 1, 0xc2, 0})),
         {115200, 8, 1, 1, 1, 1}},
        {"baud too high",
         comPortFrame(1, byteList({0, 3, 0x84, 1})),
         comPortFrame(101, byteList({0, 0, 0x25, 0x80})),
         {9600, 8, 1, 1, 1, 1}},
        {"baud too low",
         comPortFrame(1, byteList({0, 0, 0, 49})),
         comPortFrame(101, byteList({0, 0, 0x25, 0x80})),
         {9600, 8, 1, 1, 1, 1}},
        // 65280 baud carries 0xFF: the client doubles it, and so does the answer.
        {"baud with 0xFF",
         comPortFrame(1, byteList({0, 0, 255, 255, 0})),
         comPortFrame(101, byteList({0, 0, 255, 255, 0})),
         {65280, 8, 1, 1, 1, 1}},
        {"baud short", comPortFrame(1, byteList({0, 0x4b, 0})), "", {9600, 8, 1, 1, 1, 1}},
        {"7 data bits",
         comPortFrame(2, byteList({7})),
         comPortFrame(102, byteList({7})),
         {9600, 7, 1, 1, 1, 1}},
        {"9 data bits",
         comPortFrame(2, byteList({7})) + comPortFrame(2, byteList({9})),
         comPortFrame(102, byteList({7})),
         {9600, 7, 1, 1, 1, 1}},
        {"data bits asked",
         comPortFrame(2, byteList({0})),
         comPortFrame(102, byteList({8})),
         {9600, 8, 1, 1, 1, 1}},
        {"even parity",
         comPortFrame(3, byteList({3})),
         comPortFrame(103, byteList({3})),
         {9600, 8, 3, 1, 1, 1}},
        {"parity 6",
         comPortFrame(3, byteList({6})),
         comPortFrame(103, byteList({1})),
         {9600, 8, 1, 1, 1, 1}},
        {"2 stop bits",
         comPortFrame(4, byteList({2})),
         comPortFrame(104, byteList({2})),
         {9600, 8, 1, 2, 1, 1}},
        {"DTR off",
         comPortFrame(5, byteList({9})),
         comPortFrame(105, byteList({9})),
         {9600, 8, 1, 1, 0, 1}},
        {"DTR asked",
         comPortFrame(5, byteList({9})) + comPortFrame(5, byteList({7})),
         comPortFrame(105, byteList({9})),
         {9600, 8, 1, 1, 0, 1}},
        {"DTR on",
         comPortFrame(5, byteList({9})) + comPortFrame(5, byteList({8})),
         comPortFrame(105, byteList({8})),
         {9600, 8, 1, 1, 1, 1}},
        {"RTS off",
         comPortFrame(5, byteList({12})),
         comPortFrame(105, byteList({12})),
         {9600, 8, 1, 1, 1, 0}},
        {"no flow control",
         comPortFrame(5, byteList({1})),
         comPortFrame(105, byteList({1})),
         {9600, 8, 1, 1, 1, 1}},
        {"flow asked",
         comPortFrame(5, byteList({0})),
         comPortFrame(105, byteList({1})),
         {9600, 8, 1, 1, 1, 1}},
        {"hardware flow refused",
         comPortFrame(5, byteList({3})),
         comPortFrame(105, byteList({1})),
         {9600, 8, 1, 1, 1, 1}},
        {"inbound flow asked",
         comPortFrame(5, byteList({13})),
         comPortFrame(105, byteList({14})),
         {9600, 8, 1, 1, 1, 1}},
        {"break on",
         comPortFrame(5, byteList({5})),
         comPortFrame(105, byteList({5})),
         {9600, 8, 1, 1, 1, 1}},
        {"control 99", comPortFrame(5, byteList({99})), "", {9600, 8, 1, 1, 1, 1}},
        {"line state mask",
         comPortFrame(10, byteList({0})),
         comPortFrame(110, byteList({0})),
         {9600, 8, 1, 1, 1, 1}},
        {"modem state mask",
         comPortFrame(11, byteList({255, 255})),
         comPortFrame(111, byteList({255, 255})),
         {9600, 8, 1, 1, 1, 1}},
        {"signature asked",
         comPortFrame(0, ""),
         comPortFrame(100, "nvq-can-sim"),
         {9600, 8, 1, 1, 1, 1}},
        {"client's signature", comPortFrame(0, "pc"), "", {9600, 8, 1, 1, 1, 1}},
        {"notify line state", comPortFrame(6, byteList({0})), "", {9600, 8, 1, 1, 1, 1}},
        {"other option", byteList({255, 250, 24, 1, 255, 240}), "", {9600, 8, 1, 1, 1, 1}},
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
    server.receive(comPortFrame(1, byteList({0, 0, 0x4b, 0})));
    server.setRefuseBaud(true);
    server.takeAnswers();
    server.receive(comPortFrame(1, byteList({0, 0, 0x96, 0})));
    EXPECT_EQ(server.takeAnswers(), comPortFrame(101, byteList({0, 0, 0x4b, 0})));
    EXPECT_EQ(server.baud(), 19200);
    server.setRefuseBaud(false);
    server.receive(comPortFrame(1, byteList({0, 0, 0x96, 0})));
    EXPECT_EQ(server.takeAnswers(), comPortFrame(101, byteList({0, 0, 0x96, 0})));
    EXPECT_EQ(server.baud(), 38400);
}

TEST(TelnetServer, DoublesTheByte0xFfBothWays) {
    TelnetServer server;
    EXPECT_EQ(server.receive(byteList({'@', 255, 255, 'x', 255, 255, 255, 255, '\r'})),
              byteList({'@', 255, 'x', 255, 255, '\r'}));
    EXPECT_EQ(TelnetServer::escape(byteList({1, 255, 2, 255, 255})),
              byteList({1, 255, 255, 2, 255, 255, 255, 255}));
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
        EXPECT_EQ(server.receive("@01ID\r" + comPortFrame(12, byteList({c.value})) + "@02"),
                  c.first)
            << c.value;
        EXPECT_EQ(server.takePurges(), c.purges) << c.value;
        EXPECT_EQ(server.takeAnswers(),
                  c.purges ? comPortFrame(112, byteList({c.value})) : QByteArray())
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
    const QByteArray stream = byteList({255, 251, 44, 255, 253, 0}) + "@01" +
                              comPortFrame(1, byteList({0, 0, 255, 255, 0})) +
                              byteList({255, 255}) + "ID\r" + comPortFrame(5, byteList({9})) +
                              byteList({255, 251, 24}) + "@01PX\r";
    TelnetServer whole;
    const QByteArray data = whole.receive(stream);
    const QByteArray answers = whole.takeAnswers();
    EXPECT_EQ(data, QByteArray("@01") + byteList({255}) + "ID\r@01PX\r");
    EXPECT_EQ(answers, byteList({255, 253, 44, 255, 251, 0}) +
                           comPortFrame(101, byteList({0, 0, 255, 255, 0})) +
                           comPortFrame(105, byteList({9})) + byteList({255, 254, 24}));
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
        {"overlong", byteList({255, 250, 44, 1}) + QByteArray(200, 'x') + byteList({255, 240}), "",
         ""},
        {"cut short", byteList({255, 250, 44, 1, 0, 255, 251, 44}), "", byteList({255, 253, 44})},
        {"stray SE", byteList({255, 240}) + "ab", "ab", ""},
        {"empty", byteList({255, 250, 255, 240}), "", ""},
        {"option only", byteList({255, 250, 44, 255, 240}), "", ""},
        {"unknown command", byteList({255, 7}) + "c", "c", ""},
    };
    for (const auto& c : cases) {
        TelnetServer server;
        EXPECT_EQ(server.receive(c.input), c.data) << c.what;
        EXPECT_EQ(server.takeAnswers(), c.answers) << c.what;
        EXPECT_EQ(server.receive("@01ID\r" + comPortFrame(2, byteList({0}))), "@01ID\r") << c.what;
        EXPECT_EQ(server.takeAnswers(), comPortFrame(102, byteList({8}))) << c.what;
    }
}

}  // namespace
