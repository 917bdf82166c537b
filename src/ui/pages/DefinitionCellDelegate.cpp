#include "DefinitionCellDelegate.h"

#include "ui/logic/DefinitionRows.h"
#include "ui/logic/DefinitionsModel.h"

#include <QPainter>

namespace C = DefinitionColumn;

namespace {

const QColor ExceptionBackground(221, 221, 221);
const QColor DimmedText(170, 170, 170);

// The text is drawn this far right of and below the cell's top-left corner.
constexpr int TextOffset = 2;

struct CellColours
{
    QColor background;
    QColor text;
};

CellColours coloursFor(const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const bool selected = option.state & QStyle::State_Selected;
    const bool location =
        index.data(DefinitionsModel::KindRole).toInt() == int(DefinitionKey::Location);
    if (location) {
        return selected ? CellColours{option.palette.color(QPalette::Highlight),
                                      option.palette.color(QPalette::HighlightedText)}
                        : CellColours{option.palette.color(QPalette::Base),
                                      option.palette.color(QPalette::Text)};
    }
    if (selected)
        return {Qt::black, Qt::white};
    const bool copiedFromLocation = index.column() == C::Pcu || index.column() == C::Location;
    return {ExceptionBackground, copiedFromLocation ? DimmedText : QColor(Qt::black)};
}

} // namespace

void DefinitionCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    if (index.column() == C::Fixed) {
        painter->fillRect(option.rect, option.palette.color(QPalette::Button));
        return;
    }
    sgMainDrawCell(painter, option, index);
}

void DefinitionCellDelegate::sgMainDrawCell(QPainter* painter, const QStyleOptionViewItem& option,
                                            const QModelIndex& index)
{
    const CellColours colours = coloursFor(option, index);
    const QRect& rect = option.rect;
    painter->save();
    painter->setClipRect(rect);
    painter->fillRect(rect, colours.background);
    if (index.data(DefinitionsModel::UnassignedRole).toBool()) {
        painter->setPen(QPen(Qt::red, 0));
        painter->setBrush(colours.background);
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
    }
    painter->setPen(colours.text);
    painter->setFont(option.font);
    painter->drawText(rect.adjusted(TextOffset, TextOffset, 0, 0),
                      Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, index.data().toString());
    painter->restore();
}
