#include "DiagnosticListModel.h"

#include <algorithm>

DiagnosticListModel::DiagnosticListModel(int capacity, QObject* parent)
    : QAbstractListModel(parent), m_capacity(std::max(1, capacity))
{
}

int DiagnosticListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

QVariant DiagnosticListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    // The tool tip shows a line the list is too narrow for.
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return m_lines[std::size_t(index.row())];
    return {};
}

void DiagnosticListModel::appendLine(const QString& line)
{
    appendLines(QStringList{line});
}

int DiagnosticListModel::appendLines(const QStringList& lines)
{
    if (lines.isEmpty())
        return 0;
    // Of a batch larger than the capacity only its newest lines are kept.
    const qsizetype skipped = std::max<qsizetype>(0, lines.size() - m_capacity);
    const int added = int(lines.size() - skipped);
    const int dropped = std::max(0, int(m_lines.size()) + added - m_capacity);
    if (dropped > 0) {
        beginRemoveRows({}, 0, dropped - 1);
        m_lines.erase(m_lines.begin(), m_lines.begin() + dropped);
        endRemoveRows();
    }
    const int first = int(m_lines.size());
    beginInsertRows({}, first, first + added - 1);
    m_lines.insert(m_lines.end(), lines.begin() + skipped, lines.end());
    endInsertRows();
    return dropped;
}

void DiagnosticListModel::clear()
{
    beginResetModel();
    m_lines.clear();
    endResetModel();
}

QString DiagnosticListModel::line(int row) const
{
    if (row < 0 || row >= int(m_lines.size()))
        return {};
    return m_lines[std::size_t(row)];
}
