#pragma once

#include <QString>
#include <optional>

// Every message box, question and file dialog of the program goes through a Prompter, so that
// tests can script the answers and read back what the user would have been told.
class Prompter {
  public:
    virtual ~Prompter() = default;
    // A message with an OK button. An empty title means the application's name.
    virtual void info(const QString& text, const QString& title = QString()) = 0;
    // A Yes/No question; true only for Yes.
    virtual bool ask(const QString& text, const QString& title = QString()) = 0;
    // File dialogs; the filter is "description|pattern". nullopt means cancelled, which is
    // distinct from an empty name.
    virtual std::optional<QString> saveFileName(const QString& title, const QString& filter,
                                                const QString& preset) = 0;
    virtual std::optional<QString> openFileName(const QString& title, const QString& filter,
                                                const QString& preset) = 0;
};

// Prompter through QMessageBox and QFileDialog.
class MessageBoxPrompter : public Prompter {
  public:
    void info(const QString& text, const QString& title = QString()) override;
    bool ask(const QString& text, const QString& title = QString()) override;
    std::optional<QString> saveFileName(const QString& title, const QString& filter,
                                        const QString& preset) override;
    std::optional<QString> openFileName(const QString& title, const QString& filter,
                                        const QString& preset) override;
};

// "Parameter Files (*.par)|*.par" -> "Parameter Files (*.par)", the form Qt's dialogs take.
QString qtFileFilter(const QString& filter);
