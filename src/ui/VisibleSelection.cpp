#include "VisibleSelection.h"

#include <QItemSelectionModel>
#include <QTableView>

#include <algorithm>

QList<int> visibleSelectedRows(const QTableView& grid)
{
    QList<int> rows;
    for (const QItemSelectionRange& range : grid.selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            if (!grid.isRowHidden(row))
                rows << row;
        }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int selectionTop(const QTableView& grid)
{
    int top = -1;
    for (const QItemSelectionRange& range : grid.selectionModel()->selection()) {
        if (top < 0 || range.top() < top)
            top = range.top();
    }
    return top;
}
