#include "files/settings_file.h"

#include <QFile>

#include "files/text_lines.h"
#include "files/whole_file.h"

QStringList comPortEntries() {
    QStringList entries;
    for (int i = 1; i <= 15; ++i) {
        entries << QStringLiteral("COM%1").arg(i);
    }
    return entries;
}

QStringList baudRateEntries() {
    return {QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
            QStringLiteral("57600"), QStringLiteral("115200")};
}

// Built once: the scan asks for an ID at every step.
QStringList deviceIdEntries() {
    static const QStringList entries = [] {
        QStringList ids;
        for (int i = 1; i <= 99; ++i) {
            ids << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
        }
        return ids;
    }();
    return entries;
}

SerialChoices choicesFromSettings(const std::optional<QByteArray>& content) {
    SerialChoices choices;
    if (!content) {
        return choices;
    }
    const QStringList lines = textLines(*content);
    const auto fail = [&choices] {
        choices.port = QStringLiteral("COM1");
        choices.id = QStringLiteral("01");
        return choices;
    };
    if (lines.size() < 1 || !comPortEntries().contains(lines[0])) {
        return fail();
    }
    choices.port = lines[0];
    if (lines.size() < 2 || !baudRateEntries().contains(lines[1])) {
        return fail();
    }
    choices.baud = lines[1];
    if (lines.size() < 3 || !deviceIdEntries().contains(lines[2])) {
        return fail();
    }
    choices.id = lines[2];
    return choices;
}

QByteArray settingsContent(const SerialChoices& choices) {
    return (choices.port + "\r\n" + choices.baud + "\r\n" + choices.id + "\r\n").toLatin1();
}

std::optional<QByteArray> readSettingsFile(const QString& path) {
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    // The file holds three short lines; read no more than a sane amount of anything else.
    return file.read(64 * 1024);
}

bool writeSettingsFile(const QString& path, const SerialChoices& choices) {
    return !writeWholeFile(path, settingsContent(choices));
}

int comPortNumber(const QString& portText) {
    static const QStringList twoDigit = {"COM10", "COM11", "COM12", "COM13", "COM14", "COM15"};
    if (twoDigit.contains(portText)) {
        return portText.right(2).toInt();
    }
    return portText.isEmpty() ? 0 : portText.right(1).toInt();
}
