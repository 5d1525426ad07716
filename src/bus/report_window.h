#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>

// The doctor's report, read-only, with Copy and Close. Shown beside the bus window, which goes on
// polling behind it.
class ReportWindow : public QDialog {
    Q_OBJECT
  public:
    explicit ReportWindow(const QString& text, QWidget* parent = nullptr);

    QPlainTextEdit* Report;
    QPushButton* Copy;
    QPushButton* Close;
};
