#include "widgets/prompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace {

QString boxTitle(const QString& title) {
    return title.isEmpty() ? QApplication::applicationName() : title;
}

QWidget* activeWindow() {
    return QApplication::activeWindow();
}

// Message lines are joined by CR; Qt's boxes break lines at LF.
QString displayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

// A message names files and ports and quotes devices: its text is never read as rich text.
QMessageBox::StandardButton showBox(QMessageBox::Icon icon, const QString& text,
                                    const QString& title, QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, boxTitle(title), displayText(text), buttons, activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return box.standardButton(box.clickedButton());
}

}  // namespace

QString qtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        // Qt reads the patterns from the last parentheses; add them when the text has none.
        filters << (description.contains(QLatin1Char('('))
                        ? description
                        : description + QStringLiteral(" (%1)").arg(parts[i + 1]));
    }
    return filters.join(QStringLiteral(";;"));
}

void MessageBoxPrompter::info(const QString& text, const QString& title) {
    showBox(QMessageBox::Information, text, title, QMessageBox::Ok);
}

bool MessageBoxPrompter::ask(const QString& text, const QString& title) {
    return showBox(QMessageBox::Question, text, title, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

std::optional<QString> MessageBoxPrompter::saveFileName(const QString& title, const QString& filter,
                                                        const QString& preset) {
    QFileDialog dialog(activeWindow(), title, QString(), qtFileFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(preset);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

std::optional<QString> MessageBoxPrompter::openFileName(const QString& title, const QString& filter,
                                                        const QString& preset) {
    QFileDialog dialog(activeWindow(), title, QString(), qtFileFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(preset);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}
