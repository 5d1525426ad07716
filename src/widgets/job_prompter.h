#pragma once

#include "device/line_engine.h"
#include "widgets/prompter.h"

// The Prompter a job speaks through: each message, question and file dialog is shown by the
// window's own Prompter in the window's thread, in its place among the job's displays, and the
// job waits for the answer. The window stays painted and takes input meanwhile.
class JobPrompter : public Prompter {
  public:
    JobPrompter(LineEngine::Line& line, Prompter& window) : line_(line), window_(window) {}

    void info(const QString& text, const QString& title = QString()) override;
    bool ask(const QString& text, const QString& title = QString()) override;
    std::optional<QString> saveFileName(const QString& title, const QString& filter,
                                        const QString& preset) override;
    std::optional<QString> openFileName(const QString& title, const QString& filter,
                                        const QString& preset) override;

  private:
    LineEngine::Line& line_;
    Prompter& window_;
};
