#include "connect/port_list.h"

#include <QAbstractItemView>
#include <QStyledItemDelegate>

#include "files/settings_file.h"
#include "widgets/ui_helpers.h"

namespace {

constexpr int kReachRole = Qt::UserRole + 1;

QString entryText(const QString& text, const QString& reach) {
    return reach.isEmpty() ? text : text + QStringLiteral(" → ") + reach;
}

// Draws an entry of the open list with what it reaches.
class PortEntryDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = entryText(option->text, index.data(kReachRole).toString());
    }
};

}  // namespace

void showReach(QComboBox* list, const PortsState& state) {
    if (!dynamic_cast<PortEntryDelegate*>(list->itemDelegate())) {
        list->setItemDelegate(new PortEntryDelegate(list));
    }
    for (int i = 0; i < list->count(); ++i) {
        const int number = comPortNumber(list->itemText(i));
        const QString reach = number >= kFirstComNumber && number <= kLastComNumber
                                  ? comReach(state, number)
                                  : QString();
        list->setItemData(i, reach, kReachRole);
        list->setItemData(i, plainToolTip(reach), Qt::ToolTipRole);
    }
    // The open list is as wide as its longest entry.
    list->view()->setMinimumWidth(list->view()->sizeHintForColumn(0) + 24);
}

QString portEntryText(const QComboBox* list, int index) {
    return entryText(list->itemText(index), list->itemData(index, kReachRole).toString());
}
