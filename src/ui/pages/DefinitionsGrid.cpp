#include "DefinitionsGrid.h"

#include "ui/VisibleSelection.h"

#include "DefinitionCellDelegate.h"

#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

namespace C = DefinitionColumn;

DefinitionsGrid::DefinitionsGrid(QWidget* parent)
    : QTableView(parent), m_model(new DefinitionsModel(this))
{
    setObjectName(QStringLiteral("sgMain"));
    setModel(m_model);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        Q_EMIT cellDoubleClicked(index.row(), index.column());
    });
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
}

void DefinitionsGrid::showRows(std::vector<DefinitionRow> rows, const QStringList& headers)
{
    QStringList shown = headers;
    shown.resize(C::Count);
    shown[C::Fixed].clear();
    // A reset drops the rows' hidden state and the selection with the old rows.
    m_model->setRows(std::move(rows), shown);
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (isRowHidden(row))
            setRowHidden(row, false);
    }

    m_textWidths.clear();
    m_wanted = definitionColumnWidths(m_model->rows(), headers,
                                      [this](const QString& text) { return textWidth(text); });
    layOutColumns();
}

// The columns fill the grid, so the filter boxes under them are as wide as they are.
void DefinitionsGrid::layOutColumns()
{
    const int available = viewport()->width() - columnWidth(C::Fixed);
    const auto widths = shareGridWidth(m_wanted, available);
    for (int column = 1; column < C::Count; ++column)
        setColumnWidth(column, widths[column - 1]);
    Q_EMIT columnsLaidOut();
}

void DefinitionsGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    layOutColumns();
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
    return m_model->cellText(row, column);
}

const DefinitionKey& DefinitionsGrid::rowKey(int row) const
{
    return definitionRow(row).key;
}

const DefinitionRow& DefinitionsGrid::definitionRow(int row) const
{
    return m_model->rows().at(std::size_t(row));
}

QStringList DefinitionsGrid::headerTexts() const
{
    QStringList headers;
    for (int column = 0; column < columnCount(); ++column)
        headers << m_model->headerText(column);
    return headers;
}

int DefinitionsGrid::rowCount() const
{
    return m_model->rowCount();
}

int DefinitionsGrid::columnCount() const
{
    return m_model->columnCount();
}

int DefinitionsGrid::currentRow() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void DefinitionsGrid::setCurrentCell(int row, int column)
{
    setCurrentIndex(m_model->index(row, column));
}

void DefinitionsGrid::selectRows(int top, int bottom)
{
    const QItemSelection block(m_model->index(top, C::Pcu), m_model->index(bottom, C::Group));
    selectionModel()->select(block, QItemSelectionModel::Select);
}

QList<int> DefinitionsGrid::visibleSelectedRows() const
{
    return ::visibleSelectedRows(*this);
}

// An assignment shows at once: the column grows to the new text when it would not fit.
void DefinitionsGrid::writeAssignment(int row, int column, const AssignedRef& value)
{
    m_model->setAssignment(row, column, value);
    const QString text = value.cellText();
    const int wanted = fontMetrics().horizontalAdvance(text) + CellTextMargin;
    if (wanted > m_wanted[column - 1]) {
        m_wanted[column - 1] = wanted;
        layOutColumns();
    }
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
        QTableView::keyPressEvent(event);
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
