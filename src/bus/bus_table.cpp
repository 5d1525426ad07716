#include "bus/bus_table.h"

#include <QHeaderView>
#include <QPainter>

#include "widgets/status_colors.h"

namespace {

struct ColumnInfo {
    const char* caption;
    const char* tip;  // the header's tooltip; for a quality column also its menu entry
};

const ColumnInfo kColumns[BusTable::ColumnCount] = {
    {"ID", "Device ID"},
    {"Name", "Device name (DN)"},
    {"Identity", "Identity (ID)"},
    {"Version", "Firmware version (VER)"},
    {"Position", "Position counter (PX)"},
    {"Encoder", "Encoder counter (EX)"},
    {"Speed", "Speed (PS)"},
    {"Status", "Motion status (MST)"},
    {"+L", "Plus limit input"},
    {"H", "Home input"},
    {"-L", "Minus limit input"},
    {"Z", "Encoder Z index"},
    {"Line", "Whether the device answers"},
    {"Exchanges", "Exchanges"},
    {"Unanswered", "Unanswered commands"},
    {"Late", "Late replies dropped"},
    {"Garbled", "Garbled replies"},
    {"$ repeats", "\"$\" repeats"},
    {"p50 ms", "Reply time p50 (ms)"},
    {"p95 ms", "Reply time p95 (ms)"},
    {"max ms", "Reply time max (ms)"},
};

QIcon lampIcon(bool on) {
    QPixmap pixmap(28, 28);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor color = StatusColors::kDarkGreen;
    p.setPen(QPen(color.darker(130), 3));
    p.setBrush(on ? QBrush(color) : QBrush(Qt::transparent));
    p.drawEllipse(QRectF(4, 4, 20, 20));
    return QIcon(pixmap);
}

QString count(quint64 n) {
    return QString::number(n);
}

}  // namespace

QString replyMsText(qint64 us) {
    return us < 0 ? QString() : QString::number(double(us) / 1000.0, 'f', 1);
}

BusTable::BusTable(QWidget* parent) : QTableWidget(0, ColumnCount, parent) {
    setObjectName(QStringLiteral("Devices"));
    for (int c = 0; c < ColumnCount; ++c) {
        auto* header = new QTableWidgetItem(QString::fromUtf8(kColumns[c].caption));
        header->setToolTip(QString::fromUtf8(kColumns[c].tip));
        setHorizontalHeaderItem(c, header);
    }
    verticalHeader()->hide();
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);  // Tab leaves the table for the buttons
    setIconSize(QSize(14, 14));
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setMinimumSectionSize(28);
    horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    buildColumnsMenu();
    connect(horizontalHeader(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { columnsMenu_->popup(horizontalHeader()->mapToGlobal(at)); });
}

void BusTable::buildColumnsMenu() {
    columnsMenu_ = new QMenu(this);
    columnsMenu_->setObjectName(QStringLiteral("ColumnsMenu"));
    for (int c = Exchanges; c < ColumnCount; ++c) {
        QAction* action = columnsMenu_->addAction(QString::fromUtf8(kColumns[c].tip));
        action->setCheckable(true);
        action->setChecked(true);
        connect(action, &QAction::toggled, this,
                [this, c](bool shown) { setColumnHidden(c, !shown); });
    }
}

void BusTable::setIds(const QStringList& ids) {
    const QString current = currentId();
    // Rows that stay keep their items: take them out first, then lay them out in the new order.
    QMap<QString, QList<QTableWidgetItem*>> kept;
    for (int r = 0; r < rowCount(); ++r) {
        const QString id = item(r, Id) ? item(r, Id)->text() : QString();
        QList<QTableWidgetItem*> cells;
        for (int c = 0; c < ColumnCount; ++c) {
            cells << takeItem(r, c);
        }
        if (ids.contains(id) && !kept.contains(id)) {
            kept.insert(id, cells);
        } else {
            qDeleteAll(cells);
        }
    }
    setRowCount(int(ids.size()));
    for (int r = 0; r < ids.size(); ++r) {
        const QList<QTableWidgetItem*> cells = kept.take(ids[r]);
        for (int c = 0; c < ColumnCount; ++c) {
            setItem(r, c, c < cells.size() && cells[c] ? cells[c] : new QTableWidgetItem);
        }
        item(r, Id)->setText(ids[r]);
    }
    if (const int r = int(ids.indexOf(current)); r >= 0) {
        setCurrentCell(r, Id);
    }
}

QStringList BusTable::ids() const {
    QStringList list;
    for (int r = 0; r < rowCount(); ++r) {
        list << item(r, Id)->text();
    }
    return list;
}

void BusTable::showRow(const BusRow& row) {
    const int r = int(ids().indexOf(row.id));
    if (r < 0) {
        return;  // removed while its turn ran
    }
    setCell(r, Name, row.name);
    setCell(r, Identity, row.identity);
    setCell(r, Version, row.version);
    setCell(r, Position, row.position);
    setCell(r, Encoder, row.encoder);
    setCell(r, Speed, row.speed);
    setCell(r, Status, row.status);
    for (int i = 0; i < 4; ++i) {
        setLamp(r, PosLimit + i, row.lamps ? std::optional((*row.lamps)[size_t(i)]) : std::nullopt);
    }
    setCell(r, LineState, row.lineState);
    setCell(r, Exchanges, count(row.exchanges));
    setCell(r, Unanswered, count(row.unanswered));
    setCell(r, Late, count(row.late));
    setCell(r, Garbled, count(row.garbled));
    setCell(r, DollarRepeats, count(row.dollarRepeats));
    setCell(r, ReplyP50, replyMsText(row.p50Us));
    setCell(r, ReplyP95, replyMsText(row.p95Us));
    setCell(r, ReplyMax, replyMsText(row.maxUs));
}

QString BusTable::currentId() const {
    const int r = currentRow();
    return r >= 0 && r < rowCount() && item(r, Id) ? item(r, Id)->text() : QString();
}

void BusTable::setCell(int row, int column, const QString& text) {
    QTableWidgetItem* cell = item(row, column);
    if (cell->text() != text) {
        cell->setText(text);
    }
}

// A lamp is a picture; what it says is its accessible text (and tooltip): "on", "off", or
// nothing before the motion status was read.
void BusTable::setLamp(int row, int column, std::optional<bool> on) {
    QTableWidgetItem* cell = item(row, column);
    const QString said = on ? (*on ? QStringLiteral("on") : QStringLiteral("off")) : QString();
    if (cell->data(Qt::AccessibleTextRole).toString() == said) {
        return;
    }
    cell->setData(Qt::AccessibleTextRole, said);
    cell->setToolTip(said.isEmpty() ? QString()
                                    : QString::fromUtf8(kColumns[column].tip) + ": " + said);
    cell->setIcon(on ? lampIcon(*on) : QIcon());
}
