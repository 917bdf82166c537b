#pragma once

#include "ui/logic/FilterBarConditions.h"

#include <QGroupBox>

#include <array>

class QCheckBox;
class QLineEdit;

// The filter bar under the definitions grid: a text box per data column with a check box
// above it that names the column, and the check boxes "Hide exceptions" and "Show
// unassigned alarms". Its state is nothing but the contents of its controls.
class FilterBar : public QGroupBox
{
    Q_OBJECT
public:
    explicit FilterBar(QWidget* parent = nullptr);

    // The texts from the language table that do not depend on the grid.
    void applyCaptions();
    // Each box's check box shows the header of its column, which also names the box for a
    // screen reader. headers by column number, 1 to 5 used.
    void setHeaders(const QStringList& headers);
    // Puts box i under column i + 1: the first box starts at firstLeft, each box is as wide as
    // its column and starts where the previous one ends.
    void lineUp(int firstLeft, const std::array<int, FilterBoxCount>& columnWidths);

    FilterBarState state() const;
    // Applies the dot rule to every ticked box; the replacement does not count as a change.
    void correctDots();

Q_SIGNALS:
    // An operator changed a box or a check box; the filter is to be applied again.
    void filterChanged();

private:
    void edFilterChange(int box);
    void placeRows();

    std::array<QCheckBox*, FilterBoxCount> m_cbFilter{};
    std::array<QLineEdit*, FilterBoxCount> m_edFilter{};
    QCheckBox* m_cbFilterExcept = nullptr;
    QCheckBox* m_cbFilterEmpty = nullptr;
    int m_firstLeft = 0;
};
