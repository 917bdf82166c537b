#include "TGridFilter.h"

#include <QApplication>
#include <QMessageBox>

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
    for (int row = 0; row < m_grid->rowCount(); ++row) {
        // Showing a row that is shown already still costs the view a layout pass.
        if (m_grid->isRowHidden(row))
            m_grid->setRowHidden(row, false);
    }
}

FilterParse TGridFilter::SetFilter(const QString& expression, Notice notice)
{
    if (!m_grid)
        return FilterParse::Invalid;
    const ParsedFilter parsed = ParseFilter(expression, headers());
    if (parsed.outcome == FilterParse::Parsed)
        ApplyFilter(parsed.filter);
    else if (parsed.outcome == FilterParse::TooComplex && notice == Notice::Shown)
        m_showMessage(QString::fromUtf16(FilterTooComplexMessage));
    return parsed.outcome;
}

QStringList TGridFilter::headers() const
{
    QStringList texts;
    for (int column = 0; column < m_grid->columnCount(); ++column) {
        const QTableWidgetItem* header = m_grid->horizontalHeaderItem(column);
        texts << (header ? header->text() : QString());
    }
    return texts;
}

void TGridFilter::ApplyFilter(const TGridRowFilter& filter)
{
    for (int row = 0; row < m_grid->rowCount(); ++row) {
        // A hidden row stays hidden whatever it holds.
        if (m_grid->isRowHidden(row))
            continue;
        const auto cellText = [this, row](int column) {
            const QTableWidgetItem* item = m_grid->item(row, column);
            return item ? item->text() : QString();
        };
        if (!rowPasses(filter, cellText))
            m_grid->setRowHidden(row, true);
    }
}
