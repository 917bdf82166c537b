#include "DefinitionsGrid.h"

#include "ui/VisibleSelection.h"

#include "DefinitionCellDelegate.h"

#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

namespace C = DefinitionColumn;

DefinitionsGrid::DefinitionsGrid(QWidget* parent) : QTableWidget(0, C::Count, parent)
{
    setObjectName(QStringLiteral("sgMain"));
    setItemDelegate(new DefinitionCellDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSortingEnabled(false);

    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(DefaultRowHeight);
    verticalHeader()->setDefaultSectionSize(DefaultRowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setMinimumSectionSize(FixedColumnWidth);
    horizontalHeader()->setSectionResizeMode(C::Fixed, QHeaderView::Fixed);
    horizontalHeader()->setStretchLastSection(false);
    setColumnWidth(C::Fixed, FixedColumnWidth);
    for (int column = 0; column < C::Count; ++column)
        setHorizontalHeaderItem(column, new QTableWidgetItem());
}

void DefinitionsGrid::showRows(const std::vector<DefinitionRow>& rows, const QStringList& headers)
{
    for (int column = 1; column < C::Count; ++column)
        horizontalHeaderItem(column)->setText(headers.value(column));

    // Dropping every row first also drops their hidden state and the selection.
    setRowCount(0);
    setRowCount(int(rows.size()));
    for (int row = 0; row < int(rows.size()); ++row) {
        for (int column = 1; column < C::Count; ++column) {
            const QString& text = rows[row].cell(column);
            // An empty cell needs no item; it reads as the empty text.
            if (!text.isEmpty())
                setItem(row, column, new QTableWidgetItem(text));
        }
    }

    m_textWidths.clear();
    const auto widths = definitionColumnWidths(
        rows, headers, [this](const QString& text) { return textWidth(text); });
    for (int column = 1; column < C::Count; ++column)
        setColumnWidth(column, widths[column - 1]);
}

int DefinitionsGrid::textWidth(const QString& text)
{
    auto found = m_textWidths.constFind(text);
    if (found == m_textWidths.constEnd())
        found = m_textWidths.insert(text, fontMetrics().horizontalAdvance(text));
    return *found;
}

QString DefinitionsGrid::cellText(int row, int column) const
{
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

QStringList DefinitionsGrid::headerTexts() const
{
    QStringList headers;
    for (int column = 0; column < columnCount(); ++column)
        headers << horizontalHeaderItem(column)->text();
    return headers;
}

QList<int> DefinitionsGrid::visibleSelectedRows() const
{
    return ::visibleSelectedRows(*this);
}

// An assignment shows at once: the column grows to the new text when it would not fit.
void DefinitionsGrid::writeCell(int row, int column, const QString& text)
{
    QTableWidgetItem* cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        setItem(row, column, cell);
    }
    cell->setText(text);
    const int wanted = fontMetrics().horizontalAdvance(text) + CellTextMargin;
    if (wanted > columnWidth(column))
        setColumnWidth(column, wanted);
}

void DefinitionsGrid::selectAllDataRows()
{
    if (rowCount() == 0)
        return;
    const QItemSelection block(model()->index(0, C::Pcu), model()->index(rowCount() - 1, C::Group));
    selectionModel()->select(block, QItemSelectionModel::ClearAndSelect);
}

void DefinitionsGrid::keyPressEvent(QKeyEvent* event)
{
    sgMainKeyDown(event);
    if (!event->isAccepted())
        QTableWidget::keyPressEvent(event);
}

// Only Ctrl+A, without Shift or Alt, selects all; every other key goes to the grid as usual.
void DefinitionsGrid::sgMainKeyDown(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (event->key() == Qt::Key_A && modifiers == Qt::ControlModifier) {
        selectAllDataRows();
        event->accept();
        return;
    }
    event->ignore();
}
