#pragma once

#include <QList>
#include <QStringList>
#include <functional>

#include "widgets/prompter.h"

// A Prompter for tests: records every message and question, answers questions and file dialogs
// from queues (No and "cancelled" when a queue is empty).
class ScriptedPrompter : public Prompter {
  public:
    struct Shown {
        QString kind;   // "info", "ask", "save", "open"
        QString text;   // message, question or dialog title
        QString title;  // box title, or the dialog's filter
    };

    void info(const QString& text, const QString& title = QString()) override;
    bool ask(const QString& text, const QString& title = QString()) override;
    std::optional<QString> saveFileName(const QString& title, const QString& filter,
                                        const QString& preset) override;
    std::optional<QString> openFileName(const QString& title, const QString& filter,
                                        const QString& preset) override;

    // The texts of every message shown, in order.
    QStringList messages() const;
    void clear() { shown.clear(); }

    QList<Shown> shown;
    QList<bool> answers;
    QList<std::optional<QString>> fileNames;
    // Runs while a message is "open", as a nested event loop would let timers do.
    std::function<void()> whileShowing;
};
