#include <QTemporaryDir>

#include "main_window/main_form_fixture.h"

namespace {

// The line-quality line, with COM1 resolving to its default device in a private config folder.
class LineStatusTest : public MainFormTest {
  protected:
    LineStatusTest() : saved(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    }
    ~LineStatusTest() override {
        saved.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", saved);
    }
    // Ticks for at least ms of the line's time; the lines sent.
    QStringList tickFor(qint64 ms) {
        const qint64 end = rig.hub.nowMs() + ms;
        QStringList lines;
        while (rig.hub.nowMs() < end) {
            tickOnce();
            lines += rig.takeLines();
        }
        return lines;
    }
    // The line's text once renewed, and the rate it should show for the lines sent since
    // the renewal before, over the time since then.
    QString shown() {
        form->lineStatus->refresh();
        return form->lineStatus->text();
    }

    QTemporaryDir config;
    QByteArray saved;
};

QString rate(const QStringList& lines, qint64 ms) {
    return QString::number(lines.size() * 1000.0 / ms, 'f', 1);
}

TEST_F(LineStatusTest, CountsWhatTheLineDid) {
    const QString port = "   COM1 (/dev/ttyS0) 9600,N,8,1";
    shown();
    qint64 from = rig.hub.nowMs();
    QStringList lines = tickFor(2500);
    EXPECT_EQ(shown(), rate(lines, rig.hub.nowMs() - from) +
                           " exchanges/s, 0 unanswered, 0 late replies dropped" + port);

    // Switched off: every command goes unanswered, the polling ones and then each "ID".
    device->faults.silent = true;
    from = rig.hub.nowMs();
    lines = tickFor(2500);
    EXPECT_EQ(shown(), rate(lines, rig.hub.nowMs() - from) +
                           QString(" exchanges/s, %1 unanswered, 0 "
                                   "late replies dropped")
                               .arg(lines.size()) +
                           port);
    const qsizetype silent = lines.size();

    // Back, with one answer that comes after its exchange has given up: it is dropped, not taken
    // for the answer to the next command.
    device->faults.silent = false;
    tickOnce();
    device->faults.late = {{"PX", 150, 1}};
    setPollStep(1);
    tickOnce();
    tickOnce();
    EXPECT_TRUE(
        shown().endsWith(QString(", %1 unanswered, 1 late reply dropped").arg(silent + 1) + port))
        << shown().toStdString();

    form->close();
    EXPECT_TRUE(shown().endsWith("late reply dropped   COM1 (/dev/ttyS0) not open"));
}

}  // namespace
