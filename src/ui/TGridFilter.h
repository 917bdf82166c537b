#pragma once

#include "ui/logic/GridFilterExpression.h"

#include <QObject>
#include <QPointer>
#include <QTableView>

#include <functional>

// Hides the rows of a grid that fail a filter. The owners' filter bars give the conditions by
// column number; an expression in the filter language names columns by the text of their
// header. A hidden row is a row hidden in the view; every action on a selection skips it.
class TGridFilter : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QTableView* Grid READ Grid WRITE setGrid)
public:
    // Whether a filter with too many conditions is told to the operator.
    enum class Notice
    {
        Shown,
        Silent, // the operator was told when he set the filter; a rebuild does not repeat it
    };

    explicit TGridFilter(QObject* parent = nullptr);

    QTableView* Grid() const { return m_grid; }
    // Only stores the reference.
    void setGrid(QTableView* grid) { m_grid = grid; }

    // Shows every row.
    void ResetFilter();

    // Parses the expression and hides every row that fails it. Never shows a hidden row, so
    // a full filter is ResetFilter followed by SetFilter. An expression that does not parse
    // changes nothing; one with too many conditions changes nothing and, unless Silent, shows
    // the message once. Nothing happens without a grid.
    FilterParse SetFilter(const QString& expression, Notice notice = Notice::Shown);
    // The same for conditions made as values, under the same rules: none, or one on a column
    // the grid does not have, is Invalid; more than MaxFilterConditions are too complex.
    FilterParse SetFilter(TGridRowFilter conditions, Notice notice = Notice::Shown);

    // Replaces the modal message box (tests).
    void setMessageHandler(std::function<void(const QString&)> show)
    {
        m_showMessage = std::move(show);
    }

private:
    QStringList headers() const;
    int rowCount() const;
    bool addressesDataColumns(const TGridRowFilter& filter) const;
    FilterParse applyParsed(const ParsedFilter& parsed, Notice notice);
    void ApplyFilter(const TGridRowFilter& filter);

    QPointer<QTableView> m_grid;
    std::function<void(const QString&)> m_showMessage;
};
