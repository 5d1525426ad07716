#include "saved_files.h"

#include "connect/settings_file.h"
#include "device/parameter_file.h"
#include "terminal/terminal_text_file.h"

namespace {

const SerialChoices kChoices{"COM12", "57600", "23"};

ParameterFileValues parameters() {
    ParameterFileValues v;
    v.polarity = 497;
    v.LCA = "300";
    v.runCurrent = "2000";
    v.deviceId = "23";
    return v;
}

// A terminal log of a few megabytes: long enough that its save is a real stretch of writing.
QString log() {
    const QString line = QStringLiteral(">@01PX\r\n<123456\r\n");
    return line.repeated(4 * 1024 * 1024 / line.size());
}

}  // namespace

bool saveKind(const QString& kind, const QString& path) {
    QString error;
    return kind == "settings"     ? writeSettingsFile(path, kChoices)
           : kind == "parameters" ? !saveParameterFile(path, parameters())
                                  : kind == "terminal" && saveTerminalText(path, log(), error);
}

QByteArray kindContent(const QString& kind) {
    return kind == "settings"     ? settingsContent(kChoices)
           : kind == "parameters" ? writeParameterFile(parameters())
                                  : terminalFileContent(log());
}
