// Holds a serial port open the way serial programs do (QSerialPort: a lock file and exclusive
// use) until its standard input closes; prints "held" once it holds it.
#include <QCoreApplication>
#include <QSerialPort>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: hold_port DEVICE\n");
        return 2;
    }
    QSerialPort port;
    port.setPortName(QString::fromLocal8Bit(argv[1]));
    if (!port.open(QIODevice::ReadWrite)) {
        fprintf(stderr, "hold_port: %s\n", port.errorString().toLocal8Bit().constData());
        return 1;
    }
    puts("held");
    fflush(stdout);
    while (getchar() != EOF) {
    }
    return 0;
}
