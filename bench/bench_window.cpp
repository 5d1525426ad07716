#include "bench_window.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <cstdio>

#include "link/system_port.h"

WindowServices countedServices(LineCounts& counts, Prompter& prompter, ModalRunner& modal) {
    return {[&counts] {
                return std::make_unique<CountingPort>(std::make_unique<SystemSerialPort>(), counts);
            },
            &prompter, &modal};
}

BenchWindow::BenchWindow(LineCounts& counts) : form(countedServices(counts, prompter, modal)) {
    modal.settleLoad = false;  // the scripts wait in the event loop, as the program does
}

BenchDialog::BenchDialog(LineCounts& counts)
    : form(countedServices(counts, prompter, modal), dir.filePath(QStringLiteral("nvq-can.ini"))) {
    modal.settleLoad = false;
}

bool BenchWindow::startPolling(int baud) {
    form.session().values.ComAddress = QStringLiteral("01");
    form.session().values.Baudrate = QString::number(baud);
    form.session().values.ComPortNumber = 1;
    form.show();
    QElapsedTimer clock;
    clock.start();
    while (!form.Timer1->isActive() && clock.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    if (!form.Timer1->isActive() || !form.session().values.ComStatus) {
        fprintf(stderr, "no communication at %d baud: %s\n", baud,
                prompter.messages().join(QLatin1Char(' ')).toLocal8Bit().constData());
        return false;
    }
    return true;
}

void BenchWindow::chartAndRecord(const QString& path) {
    form.Chart->click();
    prompter.fileNames = {path};
    form.chart->RecordChart->click();
}

qint64 BenchWindow::endRecording(const QString& path) {
    // A recording that a failed write stopped keeps its file, so the file alone does not show it.
    const bool recording = form.chart->RecordChart->text() == QLatin1String("Stop");
    const qsizetype told = prompter.messages().size();
    form.chart->finishRecording();
    const QStringList messages = prompter.messages();
    QFile file(path);
    if (!recording || messages.size() > told || !file.open(QIODevice::ReadOnly)) {
        fprintf(stderr, "recording not saved: %s\n",
                messages.value(messages.size() - 1).toLocal8Bit().constData());
        return -1;
    }
    return file.readAll().count('\n') - 1;  // the header is no sample
}

double runEventLoopFor(int ms) {
    QElapsedTimer clock;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    clock.start();
    loop.exec();
    return clock.nsecsElapsed() / 1e9;
}

bool runEventLoopUntil(const std::function<bool()>& done, int ms) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    check.start(2);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    if (!done()) {
        loop.exec();
    }
    return done();
}

void preferOffscreen() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}
