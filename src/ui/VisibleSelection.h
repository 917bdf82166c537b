#pragma once

#include <QList>

class QTableView;

// The rows of a grid's selection that its filter leaves visible, top to bottom, each once:
// what every action on a selection walks.
QList<int> visibleSelectedRows(const QTableView& grid);

// The top row of the selection, hidden or not; -1 without a selection.
int selectionTop(const QTableView& grid);
