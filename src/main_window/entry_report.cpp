#include "main_window/entry_report.h"

#include <QLineEdit>
#include <cstdint>
#include <limits>

#include "main_window/main_session.h"
#include "widgets/prompter.h"

QString badEntryMessage(const QString& label, const QString& text) {
    // One pass: a "%1" typed into the entry stays as typed.
    return QStringLiteral("%1: \"%2\" is not a whole number from %3 to %4.")
        .arg(label, text, QString::number(std::numeric_limits<int32_t>::min()),
             QString::number(std::numeric_limits<int32_t>::max()));
}

void reportBadEntry(MainLine& m, const QString& label, const QString& text, QLineEdit* box) {
    m.prompter().info(badEntryMessage(label, text));
    // After the message: the box takes the focus while it is shown.
    m.show([box] {
        box->setFocus(Qt::OtherFocusReason);
        box->selectAll();
    });
}
