#include "bus/report_window.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "widgets/ui_helpers.h"

ReportWindow::ReportWindow(const QString& text, QWidget* parent)
    : QDialog(parent),
      Report(named<QPlainTextEdit>("Report")),
      Copy(named<QPushButton>("Copy", QStringLiteral("C&opy"))),
      Close(named<QPushButton>("Close", QStringLiteral("&Close"))) {
    setObjectName(QStringLiteral("DiagnosisReport"));
    setWindowTitle(QStringLiteral("NVQ-CAN Bus: Diagnosis"));
    setAttribute(Qt::WA_DeleteOnClose);
    Report->setReadOnly(true);
    Report->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Report->setTabChangesFocus(true);
    Report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Report->setPlainText(text);
    Copy->setToolTip(QStringLiteral("Copy the whole report to the clipboard"));
    Close->setDefault(true);
    connect(Copy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(Report->toPlainText()); });
    connect(Close, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Copy);
    buttons->addWidget(Close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Report, 1);
    layout->addLayout(buttons);
    resize(680, 480);
}
