#include "main_window/output_commands.h"

#include "link/number_form.h"
#include "main_window/dio_panel.h"
#include "main_window/entry_report.h"
#include "main_window/sync_panel.h"
#include "main_window/user_handler.h"

OutputCommands::OutputCommands(MainSession& session, DioPanel& dio, SyncPanel& sync) : sync_(sync) {
    for (int i = 0; i < static_cast<int>(dio.DOSet.size()); ++i) {
        onClick(dio.DOSet[i], session, [i] { return [i](MainLine& m) { DOSet_Click(m, i + 1); }; });
    }
    // The user's click only: a change made by the program sends nothing.
    onClick(sync.SyncEnable, session, [this] {
        return [this, sync = readSync()](MainLine& m) { SyncEnable_Click(m, sync); };
    });
}

void OutputCommands::DOSet_Click(MainLine& m, int output) {
    const QString key = QStringLiteral("DO%1").arg(output);
    const auto reply = sendStep(m, key);
    if (!reply) {
        return;
    }
    // A reply that is no number (a device error) counts as "on", so the output is switched off.
    const bool off = readInt32(*reply) == 0;
    sendStep(m, key + (off ? QStringLiteral("=1") : QStringLiteral("=0")));
}

OutputCommands::Sync OutputCommands::readSync() const {
    Sync sync;
    if (sync_.SyncEqual->isChecked()) {
        sync.comparison = QStringLiteral("SYNC=1");
    } else if (sync_.SyncLessThan->isChecked()) {
        sync.comparison = QStringLiteral("SYNC=2");
    } else if (sync_.SyncGreaterThan->isChecked()) {
        sync.comparison = QStringLiteral("SYNC=3");
    }
    sync.position = sync_.SyncPos->text();
    sync.enabled = sync_.SyncEnable->isChecked();
    return sync;
}

void OutputCommands::SyncEnable_Click(MainLine& m, const Sync& sync) {
    if (sync.comparison && !sendStep(m, *sync.comparison)) {
        return;
    }
    const auto position = wholeNumberText(sync.position);
    if (!position) {
        reportBadEntry(m, QStringLiteral("Sync Pos"), sync.position, sync_.SyncPos);
        return;
    }
    if (!sendStep(m, QStringLiteral("SYNP=") + *position)) {
        return;
    }
    sendStep(m, sync.enabled ? QStringLiteral("SYNO") : QStringLiteral("SYNF"));
}
