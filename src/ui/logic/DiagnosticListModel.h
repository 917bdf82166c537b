#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>

#include <deque>

// The lines of one diagnostic list, oldest first. Only the newest lines up to the capacity are
// kept: the log file holds them all, and a list that grew with every message would take the
// program's memory with it after months of traffic. Appending costs the same whatever the
// list holds.
class DiagnosticListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    static constexpr int DefaultCapacity = 10000;

    explicit DiagnosticListModel(int capacity = DefaultCapacity, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Adds the line as the newest; beyond the capacity the oldest line goes first.
    void appendLine(const QString& line);
    // Adds the lines in order, telling views once for the whole batch (each change makes a
    // view lay out all its rows again). Returns how many of the oldest lines were dropped.
    int appendLines(const QStringList& lines);
    void clear();

    int capacity() const { return m_capacity; }
    QString line(int row) const;

private:
    std::deque<QString> m_lines;
    int m_capacity;
};
