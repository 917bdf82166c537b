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
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return cellText(index.row(), index.column());
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

void DefinitionsModel::setCellText(int row, int column, const QString& text)
{
    if (row < 0 || row >= int(m_rows.size()) || column <= C::Fixed || column >= C::Count)
        return;
    m_rows[std::size_t(row)].cells[std::size_t(column - 1)] = text;
    const QModelIndex changed = index(row, column);
    Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole});
}
