#pragma once

#include <QStyledItemDelegate>

// Gives every line of a diagnostic list the same size: one text line high and, when a
// horizontal extent is set, that many pixels wide, so that the list scrolls sideways that far
// whatever the lines hold. The list measures its first line only.
class DiagnosticLineDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // 0: as wide as the list, no sideways scrolling.
    void setHorizontalExtent(int pixels) { m_extent = pixels; }
    int horizontalExtent() const { return m_extent; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int m_extent = 0;
};
