#include "DiagnosticLineDelegate.h"

QSize DiagnosticLineDelegate::sizeHint(const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const
{
    const QSize measured = QStyledItemDelegate::sizeHint(option, index);
    // A list lays each line out at least as wide as itself, so 1 means "as wide as the list".
    return {m_extent > 0 ? m_extent : 1, measured.height()};
}
