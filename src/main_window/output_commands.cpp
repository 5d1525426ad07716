#include "main_window/output_commands.h"

#include "link/number_form.h"
#include "main_window/dio_panel.h"
#include "main_window/entry_report.h"
#include "main_window/sync_panel.h"
#include "main_window/user_handler.h"

OutputCommands::OutputCommands(MainSession& session, DioPanel& dio, SyncPanel& sync,
                               Prompter& prompter)
    : session_(session), sync_(sync), prompter_(prompter) {
    for (int i = 0; i < static_cast<int>(dio.DOSet.size()); ++i) {
        onClick(dio.DOSet[i], session, [this, i] { DOSet_Click(i + 1); });
    }
    // The user's click only: a change made by the program sends nothing.
    onClick(sync.SyncEnable, session, [this] { SyncEnable_Click(); });
}

void OutputCommands::DOSet_Click(int output) {
    const QString key = QStringLiteral("DO%1").arg(output);
    const auto reply = sendStep(session_, key);
    if (!reply) {
        return;
    }
    // A reply that is no number (a device error) counts as "on", so the output is switched off.
    const bool off = readInt32(*reply) == 0;
    sendStep(session_, key + (off ? QStringLiteral("=1") : QStringLiteral("=0")));
}

std::optional<QString> OutputCommands::syncComparisonCommand() const {
    if (sync_.SyncEqual->isChecked()) {
        return QStringLiteral("SYNC=1");
    }
    if (sync_.SyncLessThan->isChecked()) {
        return QStringLiteral("SYNC=2");
    }
    if (sync_.SyncGreaterThan->isChecked()) {
        return QStringLiteral("SYNC=3");
    }
    return std::nullopt;
}

void OutputCommands::SyncEnable_Click() {
    if (const auto comparison = syncComparisonCommand()) {
        if (!sendStep(session_, *comparison)) {
            return;
        }
    }
    const auto position = wholeNumberText(sync_.SyncPos->text());
    if (!position) {
        reportBadEntry(prompter_, QStringLiteral("Sync Pos"), sync_.SyncPos);
        return;
    }
    if (!sendStep(session_, QStringLiteral("SYNP=") + *position)) {
        return;
    }
    sendStep(session_,
             sync_.SyncEnable->isChecked() ? QStringLiteral("SYNO") : QStringLiteral("SYNF"));
}
