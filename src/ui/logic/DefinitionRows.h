#pragma once

#include "AssignedRef.h"

#include "store/LinkDefs.h"
#include "store/XmlDocument.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The rows of the definitions grid as values, taken from the link document at one moment.
// Each row holds the key of its element (its kind among them) and its assignment, set when it
// is made; painting and the actions read those values and never parse a cell back.

namespace DefinitionColumn {
inline constexpr int Fixed = 0; // empty, never addressed
inline constexpr int Pcu = 1;
inline constexpr int Location = 2;
inline constexpr int Alarm = 3;
inline constexpr int ZelAlarm = 4;
inline constexpr int Group = 5;
inline constexpr int Count = 6;
} // namespace DefinitionColumn

inline constexpr int DefinitionDataColumns = DefinitionColumn::Count - 1;

// The Alarm cell of a location row, and the PCU cell of a general exception row.
inline constexpr char16_t LocationRowAlarmMarker[] = u"--";
inline constexpr char16_t GeneralExceptionPcu[] = u"--";

// The element a row shows (LinkDefs.h): a location link, one of its exceptions, or a
// general exception.
using DefinitionKey = LinkKey;

struct DefinitionRow
{
    std::array<QString, DefinitionDataColumns> cells; // columns 1 to 5
    DefinitionKey key;
    AssignedRef zelAlarm; // shown in the ZEL Alarm cell
    AssignedRef zelGroup; // shown in the Group cell

    // Bit (column - 1) set: the cell was written from the document and widens its column.
    // Cells copied from the location above, fixed markers and the ZEL Alarm cell of an
    // exception do not.
    std::uint8_t widening = 0;

    const QString& cell(int column) const { return cells[column - 1]; }
    bool widens(int column) const { return widening & (1u << (column - 1)); }
    bool isLocation() const { return key.kind == DefinitionKey::Location; }
    // An unassigned row is framed red: its ZEL Alarm cell shows nothing.
    bool isUnassigned() const { return zelAlarm.isEmpty(); }
};

// Rows in document order: each location, followed by its exceptions, then the general
// exceptions. A missing PO_Locations or PO_Exceptions section yields no rows.
// generalExceptionText: the Location cell of every general exception row.
std::vector<DefinitionRow> buildDefinitionRows(const XmlDocument& linkDefs,
                                               const QString& generalExceptionText);

inline constexpr int AlarmColumnMaxWidth = 250;

// Column widths 1 to 5 of a rebuild: the header plus 22 pixels, widened by every widening
// cell to its text plus 15; the Alarm column is cut back to 250 after each exception row.
// textWidth measures a text in the grid's font; it is called once per widening cell.
// The widths of columns 1 to 5 in a grid whose data columns have available pixels: each column
// keeps at least the width it wants, and what is left goes to the text columns (PCU, Location,
// Alarm) in proportion to what they want, so that the columns fill the grid.
std::array<int, DefinitionDataColumns>
shareGridWidth(const std::array<int, DefinitionDataColumns>& wanted, int available);

std::array<int, DefinitionDataColumns>
definitionColumnWidths(const std::vector<DefinitionRow>& rows, const QStringList& headers,
                       const std::function<int(const QString&)>& textWidth);
