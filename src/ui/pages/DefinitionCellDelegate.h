#pragma once

#include <QStyledItemDelegate>

// Paints the data cells of the definitions grid so that the row kinds stand apart: location
// rows in the window's colours, exception rows grey with the PCU and Location repeated from
// their location dimmed, and a red frame on every cell of a row without a ZEL alarm. The
// fixed column 0 is painted as a fixed cell.
class DefinitionCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // One data cell: its colours follow the row's Alarm and ZEL Alarm cells.
    static void sgMainDrawCell(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index);
};
