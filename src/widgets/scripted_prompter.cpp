#include "widgets/scripted_prompter.h"

void ScriptedPrompter::info(const QString& text, const QString& title) {
    shown.append({QStringLiteral("info"), text, title});
    if (whileShowing) {
        whileShowing();
    }
}

bool ScriptedPrompter::ask(const QString& text, const QString& title) {
    shown.append({QStringLiteral("ask"), text, title});
    if (whileShowing) {
        whileShowing();
    }
    return answers.isEmpty() ? false : answers.takeFirst();
}

std::optional<QString> ScriptedPrompter::saveFileName(const QString& title, const QString& filter,
                                                      const QString&) {
    shown.append({QStringLiteral("save"), title, filter});
    return fileNames.isEmpty() ? std::nullopt : fileNames.takeFirst();
}

std::optional<QString> ScriptedPrompter::openFileName(const QString& title, const QString& filter,
                                                      const QString&) {
    shown.append({QStringLiteral("open"), title, filter});
    return fileNames.isEmpty() ? std::nullopt : fileNames.takeFirst();
}

QStringList ScriptedPrompter::messages() const {
    QStringList texts;
    for (const Shown& s : shown) {
        if (s.kind == QLatin1String("info") || s.kind == QLatin1String("ask")) {
            texts << s.text;
        }
    }
    return texts;
}
