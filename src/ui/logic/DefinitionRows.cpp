#include "DefinitionRows.h"

#include "store/LinkDefs.h"

#include <algorithm>

namespace X = LinkDefsXml;
namespace C = DefinitionColumn;

namespace {

// A pcu the office server did not give.
constexpr char PcuNotGiven[] = "-\\-";
// A ZEL alarm or group of "0" means none on a location row.
constexpr char NoneAssigned[] = "0";

class RowWriter
{
public:
    explicit RowWriter(DefinitionRow& row) : m_row(row) {}

    void write(int column, const QString& text, bool widens)
    {
        m_row.cells[column - 1] = text;
        if (widens)
            m_row.widening |= std::uint8_t(1u << (column - 1));
    }
    // Writes the attribute when present and widens its column; "0" shows empty when zeroHides.
    void writeAttribute(int column, pugi::xml_node node, const char* name, bool zeroHides)
    {
        const pugi::xml_attribute attr = node.attribute(name);
        if (!attr)
            return;
        const bool hidden = zeroHides && std::string_view(attr.value()) == NoneAssigned;
        write(column, hidden ? QString() : QString::fromUtf8(attr.value()), true);
    }
    // The ZEL alarm or group as the row shows it, widening its column when widens.
    void writeAssigned(int column, pugi::xml_node node, const char* name, bool zeroHides,
                       bool widens)
    {
        const pugi::xml_attribute attr = node.attribute(name);
        if (!attr)
            return;
        const bool none = zeroHides && std::string_view(attr.value()) == NoneAssigned;
        AssignedRef& value = column == C::ZelAlarm ? m_row.zelAlarm : m_row.zelGroup;
        value = none ? AssignedRef{} : AssignedRef::fromStored(attr.value());
        write(column, value.cellText(), widens);
    }

private:
    DefinitionRow& m_row;
};

QString alarmCell(pugi::xml_node exception)
{
    QString cell = QString::fromUtf8(exception.attribute(X::Nr).value()) + u": ";
    if (const pugi::xml_attribute text = exception.attribute(X::Text))
        cell += QString::fromUtf8(text.value());
    return cell;
}

// The Alarm, ZEL Alarm and Group cells of an exception; a ZEL alarm "0" shows as stored.
void writeException(RowWriter& row, pugi::xml_node exception)
{
    row.write(C::Alarm, alarmCell(exception), true);
    row.writeAssigned(C::ZelAlarm, exception, X::ZelAlarm, false, false);
    row.writeAssigned(C::Group, exception, X::ZelGroup, true, true);
}

std::string attributeText(pugi::xml_node node, const char* name)
{
    return node.attribute(name).value();
}

DefinitionRow locationRow(pugi::xml_node location)
{
    DefinitionRow row;
    row.key = {DefinitionKey::Location,
               attributeText(location, X::Pcu),
               attributeText(location, X::Text),
               {}};
    RowWriter writer(row);
    if (const pugi::xml_attribute pcu = location.attribute(X::Pcu)) {
        const bool notGiven = std::string_view(pcu.value()) == PcuNotGiven;
        writer.write(C::Pcu, notGiven ? QString() : QString::fromUtf8(pcu.value()), true);
    }
    writer.writeAttribute(C::Location, location, X::Text, false);
    writer.write(C::Alarm, QString::fromUtf16(LocationRowAlarmMarker), false);
    writer.writeAssigned(C::ZelAlarm, location, X::ZelAlarm, true, true);
    writer.writeAssigned(C::Group, location, X::ZelGroup, true, true);
    return row;
}

template <typename Visit> void forEachException(pugi::xml_node parent, const Visit& visit)
{
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && child.attribute(X::Nr))
            visit(child);
    }
}

void appendLocations(std::vector<DefinitionRow>& rows, pugi::xml_node locations)
{
    for (pugi::xml_node location = locations.first_child(); location;
         location = location.next_sibling()) {
        if (location.type() != pugi::node_element)
            continue;
        rows.push_back(locationRow(location));
        const std::size_t locationIndex = rows.size() - 1;
        forEachException(location, [&](pugi::xml_node exception) {
            DefinitionRow row;
            row.key = rows[locationIndex].key;
            row.key.kind = DefinitionKey::LocationException;
            row.key.nr = attributeText(exception, X::Nr);
            RowWriter writer(row);
            writer.write(C::Pcu, rows[locationIndex].cell(C::Pcu), false);
            writer.write(C::Location, rows[locationIndex].cell(C::Location), false);
            writeException(writer, exception);
            rows.push_back(std::move(row));
        });
    }
}

void appendGeneralExceptions(std::vector<DefinitionRow>& rows, pugi::xml_node exceptions,
                             const QString& generalExceptionText)
{
    forEachException(exceptions, [&](pugi::xml_node exception) {
        DefinitionRow row;
        row.key = {DefinitionKey::GeneralException, {}, {}, attributeText(exception, X::Nr)};
        RowWriter writer(row);
        writer.write(C::Pcu, QString::fromUtf16(GeneralExceptionPcu), false);
        writer.write(C::Location, generalExceptionText, true);
        writeException(writer, exception);
        rows.push_back(std::move(row));
    });
}

} // namespace

std::vector<DefinitionRow> buildDefinitionRows(const XmlDocument& linkDefs,
                                               const QString& generalExceptionText)
{
    std::vector<DefinitionRow> rows;
    const pugi::xml_node root = linkDefs.root();
    appendLocations(rows, FindChildNode(root, X::Locations));
    appendGeneralExceptions(rows, FindChildNode(root, X::GeneralExceptions), generalExceptionText);
    return rows;
}

std::array<int, DefinitionDataColumns>
definitionColumnWidths(const std::vector<DefinitionRow>& rows, const QStringList& headers,
                       const std::function<int(const QString&)>& textWidth)
{
    std::array<int, DefinitionDataColumns> widths{};
    for (int column = 1; column <= DefinitionDataColumns; ++column)
        widths[column - 1] = textWidth(headers.value(column)) + 22;
    for (const DefinitionRow& row : rows) {
        for (int column = 1; column <= DefinitionDataColumns; ++column) {
            if (row.widens(column))
                widths[column - 1] = std::max(widths[column - 1], textWidth(row.cell(column)) + 15);
        }
        if (!row.isLocation())
            widths[C::Alarm - 1] = std::min(widths[C::Alarm - 1], AlarmColumnMaxWidth);
    }
    return widths;
}

std::array<int, DefinitionDataColumns>
shareGridWidth(const std::array<int, DefinitionDataColumns>& wanted, int available)
{
    std::array<int, DefinitionDataColumns> widths = wanted;
    int total = 0;
    for (const int width : wanted)
        total += width;
    const int slack = available - total;
    constexpr std::array<int, 3> textColumns{C::Pcu, C::Location, C::Alarm};
    int textTotal = 0;
    for (const int column : textColumns)
        textTotal += wanted[column - 1];
    if (slack <= 0 || textTotal <= 0)
        return widths;
    int given = 0;
    for (const int column : textColumns) {
        const int share = int(qint64(slack) * wanted[column - 1] / textTotal);
        widths[column - 1] += share;
        given += share;
    }
    // What rounding left over goes to the Alarm column, so that the sum is exact.
    widths[C::Alarm - 1] += slack - given;
    return widths;
}
