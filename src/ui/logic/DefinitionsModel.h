#pragma once

#include "DefinitionRows.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

// The rows of the definitions grid as the view reads them: the row values themselves, one
// string per cell. An item object per cell would cost ten megabytes for ten thousand
// locations, for text the rows already hold. Besides its text, every cell gives its row's
// kind and whether the row is unassigned, for the painter.
class DefinitionsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Role
    {
        KindRole = Qt::UserRole, // DefinitionKey::Kind, as int
        UnassignedRole,          // bool
    };

    explicit DefinitionsModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // headers: the text of every column by number (column 0 empty).
    void setRows(std::vector<DefinitionRow> rows, const QStringList& headers);
    const std::vector<DefinitionRow>& rows() const { return m_rows; }

    // Empty for column 0 and outside the rows.
    QString cellText(int row, int column) const;
    // Sets the ZEL alarm (column ZEL Alarm) or the group (column Group) of a row, and its cell.
    void setAssignment(int row, int column, const AssignedRef& value);
    QString headerText(int column) const { return m_headers.value(column); }

private:
    std::vector<DefinitionRow> m_rows;
    QStringList m_headers;
};
