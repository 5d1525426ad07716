#pragma once

#include <QMenu>
#include <QStringList>
#include <QTableWidget>

#include "bus/bus_line.h"

// The bus window's table: one row per listed device, in the list's order, with what its latest
// turn on the line showed; the line quality columns can be shown and hidden through columnsMenu()
// (the header's context menu and the window's "Columns" button share it).
class BusTable : public QTableWidget {
    Q_OBJECT
  public:
    enum Column {
        Id,
        Name,
        Identity,
        Version,
        Position,
        Encoder,
        Speed,
        Status,
        PosLimit,
        Home,
        NegLimit,
        ZIndex,
        LineState,
        Exchanges,  // the line quality columns from here on
        Unanswered,
        Late,
        Garbled,
        DollarRepeats,
        ReplyP50,
        ReplyP95,
        ReplyMax,
        ColumnCount
    };

    explicit BusTable(QWidget* parent = nullptr);

    // One row per ID, in order; a row still listed keeps what it showed.
    void setIds(const QStringList& ids);
    QStringList ids() const;
    // The row of the device, when it is listed.
    void showRow(const BusRow& row);
    // The ID of the current row; "" when there is none.
    QString currentId() const;

    QMenu* columnsMenu() { return columnsMenu_; }

  private:
    void buildColumnsMenu();
    void setCell(int row, int column, const QString& text);
    void setLamp(int row, int column, std::optional<bool> on);

    QMenu* columnsMenu_;
};

// A reply time in milliseconds with one decimal ("12.3"); "" for none.
QString replyMsText(qint64 us);
