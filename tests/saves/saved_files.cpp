#include "saved_files.h"

#include "connect/settings_file.h"
#include "setup/parameter_file.h"
#include "terminal/terminal_text_file.h"

namespace {

SerialChoices choices() {
    return {QStringLiteral("COM12"), QStringLiteral("57600"), QStringLiteral("23")};
}

ParameterFileValues parameters() {
    ParameterFileValues v;
    v.polarity = 497;
    v.LCA = QStringLiteral("300");
    v.runCurrent = QStringLiteral("2000");
    v.deviceId = QStringLiteral("23");
    v.serialBaud = QStringLiteral("57600");
    v.doBoot = QStringLiteral("7");
    return v;
}

// A terminal log of a few megabytes: long enough that its save is a real stretch of writing.
QString log() {
    const QString line = QStringLiteral(">@01PX\r\n<123456\r\n");
    return line.repeated(4 * 1024 * 1024 / line.size());
}

}  // namespace

QStringList savedFileKinds() {
    return {QStringLiteral("settings"), QStringLiteral("parameters"), QStringLiteral("terminal")};
}

bool saveKind(const QString& kind, const QString& path) {
    if (kind == QLatin1String("settings")) {
        return writeSettingsFile(path, choices());
    }
    if (kind == QLatin1String("parameters")) {
        return !saveParameterFile(path, parameters());
    }
    QString error;
    return kind == QLatin1String("terminal") && saveTerminalText(path, log(), error);
}

QByteArray kindContent(const QString& kind) {
    if (kind == QLatin1String("settings")) {
        return settingsContent(choices());
    }
    if (kind == QLatin1String("parameters")) {
        return writeParameterFile(parameters());
    }
    return terminalFileContent(log());
}
