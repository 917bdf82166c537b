#pragma once

#include "ui/logic/DefinitionRows.h"
#include "ui/logic/DefinitionsModel.h"

#include <QHash>
#include <QList>
#include <QTableView>

// The grid of office alarm definitions: a fixed, empty column 0 and the five data columns,
// read-only, one block of whole rows selectable. It shows rows taken from the link document
// and never holds the document itself.
class DefinitionsGrid : public QTableView
{
    Q_OBJECT
public:
    static constexpr int FixedColumnWidth = 13;
    static constexpr int DefaultRowHeight = 16;
    // Added to a cell's text width when a column widens to it.
    static constexpr int CellTextMargin = 15;

    explicit DefinitionsGrid(QWidget* parent = nullptr);

    // headers: the header text of every column by number (column 0 empty). Replaces headers,
    // rows and column widths; the rows all show until a filter hides some.
    void showRows(std::vector<DefinitionRow> rows, const QStringList& headers);

    int rowCount() const;
    int columnCount() const;
    // The row of the current cell, -1 without one.
    int currentRow() const;
    // Makes the cell current and selects its row, as a click on it does.
    void setCurrentCell(int row, int column);
    // Selects whole rows top to bottom, data columns only (as a drag over them does).
    void selectRows(int top, int bottom);

    QString cellText(int row, int column) const;
    // The key of the element the row shows, set when the row was made.
    const DefinitionKey& rowKey(int row) const;
    // The row's values: key, assignment and cells.
    const DefinitionRow& definitionRow(int row) const;
    // The header text of every column by number.
    QStringList headerTexts() const;

    // The rows of the selected block that the filter leaves visible, top to bottom: what
    // every action on the selection walks.
    QList<int> visibleSelectedRows() const;

    // Sets a row's ZEL alarm (column ZEL Alarm) or group (column Group) in place and widens
    // the column to its text when it is too narrow.
    void writeAssignment(int row, int column, const AssignedRef& value);

    // Ctrl+A: columns 1 to 5 of every row, hidden rows included (the actions skip them).
    void selectAllDataRows();

Q_SIGNALS:
    // A cell was double-clicked.
    void cellDoubleClicked(int row, int column);
    // The data columns have new widths (after a rebuild, a widened cell or a resize).
    void columnsLaidOut();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The wanted widths shared out over the grid's width.
    void layOutColumns();

    void sgMainKeyDown(QKeyEvent* event);
    int textWidth(const QString& text);

    DefinitionsModel* m_model;
    // What each data column needs for its header and cells.
    std::array<int, DefinitionDataColumns> m_wanted{};

    // Many cells share a text (ZEL alarm references, location names); each is measured once
    // per rebuild.
    QHash<QString, int> m_textWidths;
};
