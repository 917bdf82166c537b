#include "DefinitionsModel.h"

namespace C = DefinitionColumn;

DefinitionsModel::DefinitionsModel(QObject* parent) : QAbstractTableModel(parent) {}

int DefinitionsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int DefinitionsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : C::Count;
}

QVariant DefinitionsModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const DefinitionRow& row = m_rows[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return cellText(index.row(), index.column());
    case KindRole:
        return int(row.key.kind);
    case UnassignedRole:
        return row.isUnassigned();
    default:
        return {};
    }
}

QVariant DefinitionsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return headerText(section);
}

Qt::ItemFlags DefinitionsModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void DefinitionsModel::setRows(std::vector<DefinitionRow> rows, const QStringList& headers)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_headers = headers;
    endResetModel();
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, C::Count - 1);
}

QString DefinitionsModel::cellText(int row, int column) const
{
    if (row < 0 || row >= int(m_rows.size()) || column <= C::Fixed || column >= C::Count)
        return {};
    return m_rows[std::size_t(row)].cell(column);
}

void DefinitionsModel::setAssignment(int row, int column, const AssignedRef& value)
{
    if (row < 0 || row >= int(m_rows.size()) || (column != C::ZelAlarm && column != C::Group))
        return;
    DefinitionRow& changed = m_rows[std::size_t(row)];
    (column == C::ZelAlarm ? changed.zelAlarm : changed.zelGroup) = value;
    changed.cells[std::size_t(column - 1)] = value.cellText();
    // The ZEL alarm decides the red frame of every cell of the row.
    Q_EMIT dataChanged(index(row, C::Pcu), index(row, C::Group));
}
