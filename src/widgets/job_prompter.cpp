#include "widgets/job_prompter.h"

// Each call captures the window's Prompter itself, not this: a job abandoned while its message is
// open is gone when the message closes.

void JobPrompter::info(const QString& text, const QString& title) {
    line_.ask([&window = window_, text, title] { window.info(text, title); });
}

bool JobPrompter::ask(const QString& text, const QString& title) {
    return line_.ask<bool>([&window = window_, text, title] { return window.ask(text, title); });
}

std::optional<QString> JobPrompter::saveFileName(const QString& title, const QString& filter,
                                                 const QString& preset) {
    return line_.ask<std::optional<QString>>([&window = window_, title, filter, preset] {
        return window.saveFileName(title, filter, preset);
    });
}

std::optional<QString> JobPrompter::openFileName(const QString& title, const QString& filter,
                                                 const QString& preset) {
    return line_.ask<std::optional<QString>>([&window = window_, title, filter, preset] {
        return window.openFileName(title, filter, preset);
    });
}
