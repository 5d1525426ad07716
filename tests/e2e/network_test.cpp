#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>

#include "device/device_session.h"
#include "device/parameter_download.h"
#include "device/parameter_upload.h"
#include "device/recording_reporter.h"
#include "e2e/cli_run.h"
#include "e2e/e2e_rig.h"
#include "main_window/main_control_form.h"
#include "ports/network_ports.h"
#include "support/loopback_server.h"

namespace {

// The two ways a device server carries the line, as the simulator serves them and as the
// program names them.
struct Form {
    const char* option;  // the simulator's
    NetworkProtocol protocol;
    const char* scheme;
};
void PrintTo(const Form& form, std::ostream* out) {
    *out << form.scheme;
}
const Form kForms[] = {{"--tcp", NetworkProtocol::RawTcp, "tcp"},
                       {"--rfc2217", NetworkProtocol::Rfc2217, "rfc2217"}};

// COM3 of the program reaches the simulator's network port, devices 05 at 19200 (first, so a
// raw server runs the line at 19200) and 01 at 9600.
struct NetworkRig : RealDialog {
    explicit NetworkRig(const Form& form)
        : RealDialog({"--port", "3", form.option, "0", "--device", "5:19200", "--device", "1"}),
          address{form.protocol, "127.0.0.1", static_cast<quint16>(sim.tcpPort(3))} {
        EXPECT_GT(address.port, 0) << sim.startup().toStdString();
        EXPECT_EQ(setNetworkEntry(sim.portsDir(), 3, address), QString());
    }
    QString url() const { return address.text(); }

    // "Connect" on COM3 at 19200 to 05; the script runs in the main window, then what it shows.
    QStringList connect(const std::function<void(MainControlForm&)>& script) {
        form.combo->setCurrentText("COM3");
        form.baudCom->setCurrentText("19200");
        form.DeviceIDCombo->setCurrentText("05");
        QStringList shown;
        modal.scripts.prepend([&](QDialog& w) {
            auto& m = dynamic_cast<MainControlForm&>(w);
            script(m);
            shown = QStringList{m.comm.ComStatusDisplay->text(), m.comm.ID->text(),
                                m.comm.Version->text()};
        });
        form.Connect->click();
        return shown;
    }

    NetworkAddress address;
};

class Network : public testing::TestWithParam<Form> {};

TEST_P(Network, TheMainWindowStartsAndPollsThroughACOMNumber) {
    NetworkRig t(GetParam());
    ASSERT_TRUE(t.sim.started());
    EXPECT_EQ(t.connect([&](MainControlForm& m) {
        for (QDeadlineTimer d(5000); !t.sim.sent("COM3").contains("@05PX") && !d.hasExpired();) {
            QTest::qWait(10);
        }
        EXPECT_TRUE(m.Timer1->isActive());
        EXPECT_TRUE(m.session().portOpen);
    }),
              QStringList({"Communication OK", "Stepvane-CAN", "V340"}));
    EXPECT_EQ(t.sim.sent("COM3").mid(0, 3), QStringList({"@05ID", "@05VER", "@05SYNC"}));
    EXPECT_TRUE(t.prompter.shown.isEmpty()) << t.prompter.messages().join("|").toStdString();
}

TEST_P(Network, AConnectionDroppedInATickIsAPortThatVanished) {
    NetworkRig t(GetParam());
    ASSERT_TRUE(t.sim.started());
    EXPECT_EQ(t.sim.control("vanish-after 3 @05PX 2"), "ok");
    QStringList said;
    t.connect([&](MainControlForm& m) {
        for (QDeadlineTimer d(5000); m.session().values.ComPortStatus;) {
            ASSERT_FALSE(d.hasExpired());
            QTest::qWait(5);
        }
        EXPECT_FALSE(m.session().portOpen);
        QTest::qWait(100);
        EXPECT_FALSE(m.Timer1->isActive()) << "polling stopped";
    });
    const QString where = QStringLiteral("127.0.0.1:%1").arg(t.address.port);
    const QStringList messages = t.prompter.messages();
    ASSERT_GE(messages.size(), 2);
    EXPECT_TRUE(
        messages[0] ==
            "Communication Error! The device server " + where + " closed the connection" ||
        messages[0].startsWith("Communication Error! The connection to " + where + " was lost: "))
        << messages[0].toStdString();
    // Taking the port again fails at once: the server refuses while it is gone.
    EXPECT_TRUE(messages.last().startsWith(
        "Communication port not available!  Please select available communication port and "
        "try again."))
        << messages.last().toStdString();
    EXPECT_EQ(t.sim.sent("COM3").last(), "@05PX");
}

TEST_P(Network, ParametersGoUpAndDownThroughACOMNumber) {
    NetworkRig t(GetParam());
    ASSERT_TRUE(t.sim.started());
    RecordingReporter reporter;
    DeviceSession session(std::make_unique<SystemSerialPort>(), reporter);
    session.values = {"05", "19200", 3, false, false};
    ASSERT_EQ(session.openLine(), std::nullopt);
    session.values.ComPortStatus = true;
    session.selectDevice("05");
    ParameterSet set;
    ASSERT_TRUE(uploadParameters(session, set).usable()) << reporter.said.join("|").toStdString();
    EXPECT_EQ(set.deviceId, "05");
    EXPECT_EQ(set.serialBaud, "19200");
    set.runCurrent = "1.5";
    EXPECT_EQ(downloadParameters(session, set), DownloadEnd::Done);
    ParameterSet back;
    ASSERT_TRUE(uploadParameters(session, back).usable());
    EXPECT_EQ(back.runCurrent, "1.5");
    session.closeLine();
}

TEST_P(Network, TheCommandLineReadsAndWritesThroughTheAddress) {
    NetworkRig t(GetParam());
    ASSERT_TRUE(t.sim.started());
    const QString file = t.dir.filePath("five.par");
    const auto read =
        timedNvqCan({"read", "--port", t.url(), "--baud", "19200", "--id", "5", "-o", file});
    EXPECT_EQ(read.code, 0) << read.err.toStdString();
    EXPECT_TRUE(QFile::exists(file));
    const auto write = timedNvqCan(
        {"write", file, "--port", t.url(), "--baud", "19200", "--id", "5", "--verify"}, 30000);
    EXPECT_EQ(write.code, 0) << write.err.toStdString();
    EXPECT_EQ(write.out, "05: written, read back equal\n");
    // By the COM number too, and labelled with the address it reaches.
    const auto info = timedNvqCan({"info", "--port", "3", "--baud", "19200", "--id", "5"});
    EXPECT_EQ(info.code, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains("05 on COM3 (" + t.url() + ") at 19200 baud"))
        << info.out.toStdString();
}

TEST_P(Network, AReplyHolding0xFFArrivesWhole) {
    NetworkRig t(GetParam());
    ASSERT_TRUE(t.sim.started());
    EXPECT_EQ(t.sim.control("reply 5 4bff52ff0d"), "ok");
    const auto run =
        timedNvqCan({"send", "--port", t.url(), "--baud", "19200", "--id", "5", "ID", "VER"});
    // 0xFF is a printable character (y with diaeresis) to the terminal, and the line goes on.
    EXPECT_EQ(run.out, QString::fromUtf8("K\xc3\xbfR\xc3\xbf\nV340\n")) << run.err.toStdString();
}

TEST_P(Network, TheScanTriesEveryRateOnlyWhereItCanSetThem) {
    NetworkRig t(GetParam());
    ASSERT_TRUE(t.sim.started());
    t.form.baudCom->setCurrentText("19200");  // the rate given for a raw server
    QStringList captions;
    EXPECT_TRUE(t.search(true, [&](const SearchCom& s) {
        if (s.caption.startsWith("Trying Port 3, Baud:19200 ID:01")) {
            captions << s.caption;
        }
    }));
    const bool raw = GetParam().protocol == NetworkProtocol::RawTcp;
    EXPECT_EQ(t.prompter.messages(), QStringList{raw ? "Found on Com Port:3 Baud:19200 ID:05\r\n"
                                                     : "Found on Com Port:3 Baud:9600 ID:01\r\n"
                                                       "Found on Com Port:3 Baud:19200 ID:05\r\n"});
    ASSERT_FALSE(captions.isEmpty());
    EXPECT_EQ(captions.first(),
              raw ? "Trying Port 3, Baud:19200 ID:01 (raw TCP: only this rate, the device server "
                    "sets the line)"
                  : "Trying Port 3, Baud:19200 ID:01");
    const QDeadlineTimer deadline(3000);
    const qsizetype rates = raw ? 1 : 5;
    while (t.sim.sent("COM3").count("@09DN") < rates && !deadline.hasExpired()) {
        QTest::qWait(20);
    }
    EXPECT_EQ(t.sim.sent("COM3").count("@09DN"), rates);
}

TEST_P(Network, TheCommandLineScansTheAddressAtTheRatesItCanSet) {
    NetworkRig t(GetParam());
    ASSERT_TRUE(t.sim.started());
    const bool raw = GetParam().protocol == NetworkProtocol::RawTcp;
    const auto scan =
        timedNvqCan({"scan", "--port", t.url(), "--baud", raw ? "19200" : "all"}, 30000);
    EXPECT_EQ(scan.code, 0) << scan.err.toStdString();
    EXPECT_EQ(scan.out,
              raw ? t.url() + " 19200 05\n" : t.url() + " 9600 01\n" + t.url() + " 19200 05\n");
    EXPECT_EQ(scan.err, raw ? "nvq-can: " + t.url() +
                                  " is a raw TCP port: only 19200 baud was tried, the rate its "
                                  "device server sets\n"
                            : QString());
}

TEST_P(Network, ARefusedPortAndASilentServerAreExplainedInTime) {
    const Form& form = GetParam();
    const quint16 closed = closedLoopbackPort();
    const QString refusedUrl = QStringLiteral("%1://127.0.0.1:%2").arg(form.scheme).arg(closed);
    const auto refused = timedNvqCan({"info", "--port", refusedUrl, "--baud", "9600", "--id", "1"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(refused.err, QStringLiteral("nvq-can: cannot open %1: 127.0.0.1:%2 refused the "
                                          "connection\n"
                                          "nvq-can: Nothing takes connections at that port: "
                                          "check the port number, and that the device server is "
                                          "on and its port is set up as a TCP server.\n")
                               .arg(refusedUrl)
                               .arg(closed));

    NetworkRig t(form);
    ASSERT_TRUE(t.sim.started());
    EXPECT_EQ(t.sim.control("telnet-silent 3 on"), "ok");
    const auto silent =
        timedNvqCan({"info", "--port", t.url(), "--baud", "19200", "--id", "5"}, 15000);
    EXPECT_EQ(silent.code, 1);
    EXPECT_LT(silent.ms, 8000);
    if (form.protocol == NetworkProtocol::Rfc2217) {
        EXPECT_TRUE(silent.err.startsWith(
            QStringLiteral("nvq-can: cannot open %1: No RFC 2217 answer from 127.0.0.1:%2 within "
                           "3 s\n")
                .arg(t.url())
                .arg(t.address.port)))
            << silent.err.toStdString();
    } else {
        // A raw stream opens on any server; it is the device that does not answer.
        EXPECT_EQ(
            silent.err,
            QStringLiteral("nvq-can: 05: no reply to \"ID\" on %1 at 19200 baud\n").arg(t.url()));
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, Network, testing::ValuesIn(kForms),
                         [](const auto& info) { return std::string(info.param.scheme); });

}  // namespace
