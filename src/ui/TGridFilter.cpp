#include "TGridFilter.h"

#include <QApplication>
#include <QMessageBox>

#include <algorithm>

TGridFilter::TGridFilter(QObject* parent) : QObject(parent)
{
    m_showMessage = [this](const QString& message) {
        QWidget* owner = m_grid ? m_grid->window() : nullptr;
        QMessageBox::information(owner, QApplication::applicationDisplayName(), message);
    };
}

void TGridFilter::ResetFilter()
{
    if (!m_grid)
        return;
    for (int row = 0; row < rowCount(); ++row) {
        // Showing a row that is shown already still costs the view a layout pass.
        if (m_grid->isRowHidden(row))
            m_grid->setRowHidden(row, false);
    }
}

FilterParse TGridFilter::SetFilter(const QString& expression, Notice notice)
{
    if (!m_grid)
        return FilterParse::Invalid;
    return applyParsed(ParseFilter(expression, headers()), notice);
}

FilterParse TGridFilter::SetFilter(TGridRowFilter conditions, Notice notice)
{
    if (!m_grid || !addressesDataColumns(conditions))
        return FilterParse::Invalid;
    return applyParsed(acceptFilter(std::move(conditions)), notice);
}

bool TGridFilter::addressesDataColumns(const TGridRowFilter& filter) const
{
    const QAbstractItemModel* model = m_grid->model();
    const int columns = model ? model->columnCount() : 0;
    return std::all_of(filter.conditions.begin(), filter.conditions.end(),
                       [columns](const TGridFieldFilter& condition) {
                           return condition.column >= 1 && condition.column < columns;
                       });
}

FilterParse TGridFilter::applyParsed(const ParsedFilter& parsed, Notice notice)
{
    if (parsed.outcome == FilterParse::Parsed)
        ApplyFilter(parsed.filter);
    else if (parsed.outcome == FilterParse::TooComplex && notice == Notice::Shown)
        m_showMessage(QString::fromUtf16(FilterTooComplexMessage));
    return parsed.outcome;
}

int TGridFilter::rowCount() const
{
    return m_grid && m_grid->model() ? m_grid->model()->rowCount() : 0;
}

QStringList TGridFilter::headers() const
{
    QStringList texts;
    const QAbstractItemModel* model = m_grid->model();
    for (int column = 0; model && column < model->columnCount(); ++column)
        texts << model->headerData(column, Qt::Horizontal).toString();
    return texts;
}

void TGridFilter::ApplyFilter(const TGridRowFilter& filter)
{
    const QAbstractItemModel* model = m_grid->model();
    for (int row = 0; row < rowCount(); ++row) {
        // A hidden row stays hidden whatever it holds.
        if (m_grid->isRowHidden(row))
            continue;
        const auto cellText = [model, row](int column) {
            return model->index(row, column).data().toString();
        };
        if (!rowPasses(filter, cellText))
            m_grid->setRowHidden(row, true);
    }
}
