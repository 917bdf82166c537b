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
    if (int(m_lines.size()) >= m_capacity) {
        beginRemoveRows({}, 0, 0);
        m_lines.pop_front();
        endRemoveRows();
    }
    const int row = int(m_lines.size());
    beginInsertRows({}, row, row);
    m_lines.push_back(line);
    endInsertRows();
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
