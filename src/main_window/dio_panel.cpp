#include "main_window/dio_panel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include "widgets/status_colors.h"
#include "widgets/ui_helpers.h"

LampButton::LampButton(Lamp* lamp, QWidget* parent) : QAbstractButton(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    row->addWidget(lamp, 0, Qt::AlignCenter);
    lamp->setAttribute(Qt::WA_TransparentForMouseEvents);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

QSize LampButton::sizeHint() const {
    return {26, 26};
}

void LampButton::paintEvent(QPaintEvent*) {
    if (hasFocus()) {
        QPainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

DioPanel::DioPanel() : frame(named<QGroupBox>("DioFrame", QStringLiteral("DIO Status"))) {
    auto* grid = new QGridLayout(frame);
    for (int i = 0; i < 6; ++i) {
        const QByteArray name = "In" + QByteArray::number(i + 1);
        In[i] = named<Lamp>(name.constData(), StatusColors::kBlue);
        grid->addWidget(In[i], 0, i, Qt::AlignCenter);
        grid->addWidget(new QLabel(QStringLiteral("DI%1").arg(i + 1)), 1, i, Qt::AlignCenter);
    }
    for (int i = 0; i < 3; ++i) {
        const QByteArray lampName = "DO" + QByteArray::number(i + 1);
        const QByteArray buttonName = "DOSet" + QByteArray::number(i + 1);
        DO[i] = named<Lamp>(lampName.constData(), StatusColors::kRed);
        DOSet[i] = new LampButton(DO[i]);
        DOSet[i]->setObjectName(QLatin1String(buttonName));
        grid->addWidget(DOSet[i], 2, i * 2, 1, 2, Qt::AlignCenter);
        grid->addWidget(new QLabel(QStringLiteral("DO%1").arg(i + 1)), 3, i * 2, 1, 2,
                        Qt::AlignCenter);
    }
}
