#include "ui/logic/DefinitionRows.h"

#include <QTest>

#include <memory>

namespace {

const QString kGeneral = QStringLiteral("General Exception");
const QStringList kHeaders{QString(),
                           QStringLiteral("PCU"),
                           QStringLiteral("Location"),
                           QStringLiteral("Alarm"),
                           QStringLiteral("ZEL Alarm"),
                           QStringLiteral("Group")};

std::unique_ptr<XmlDocument> document(const QByteArray& body)
{
    auto doc = std::make_unique<XmlDocument>();
    const QByteArray text = "<ZelPOLinkDefs>" + body + "</ZelPOLinkDefs>";
    if (!doc->dom().load_string(text.constData()))
        qFatal("fixture does not parse");
    return doc;
}

// One line per row, cells joined by "|"; a widening cell is marked with "*".
QStringList describe(const std::vector<DefinitionRow>& rows)
{
    QStringList lines;
    for (const DefinitionRow& row : rows) {
        QStringList cells;
        for (int column = 1; column <= DefinitionDataColumns; ++column)
            cells << row.cell(column) + (row.widens(column) ? QStringLiteral("*") : QString());
        lines << cells.join(u'|');
    }
    return lines;
}

QStringList lines(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* text : texts)
        list << QString::fromUtf8(text);
    return list;
}

QString describe(const AssignedRef& value)
{
    if (value.ref)
        return QStringLiteral("%1/%2").arg(value.ref->location).arg(value.ref->alarm);
    return value.other.empty() ? QStringLiteral("-")
                               : u'"' + QString::fromStdString(value.other) + u'"';
}

// One line per row: kind (L, E, G), ZEL alarm, group, and "!" for an unassigned row.
QStringList describeValues(const std::vector<DefinitionRow>& rows)
{
    static const char kinds[] = {'L', 'E', 'G'};
    QStringList lines;
    for (const DefinitionRow& row : rows) {
        lines << QLatin1Char(kinds[row.key.kind]) + u' ' + describe(row.zelAlarm) + u' ' +
                     describe(row.zelGroup) +
                     (row.isUnassigned() ? QStringLiteral(" !") : QString());
    }
    return lines;
}

} // namespace

class TstDefinitionRows : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rowsFollowTheCellRules_data();
    void rowsFollowTheCellRules();
    void rowsCarryTheirElementsKey();
    void rowsCarryTheirKindAndAssignment_data();
    void rowsCarryTheirKindAndAssignment();
    void columnWidthsFollowWideningCells();
    void columnsShareTheGridWidth_data();
    void columnsShareTheGridWidth();
};

void TstDefinitionRows::rowsFollowTheCellRules_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("no sections") << QByteArray() << QStringList();
    QTest::newRow("empty sections")
        << QByteArray("<PO_Locations/><PO_Exceptions/>") << QStringList();
    QTest::newRow("location with all attributes")
        << QByteArray("<PO_Locations><PO_loc pcu='Pcu1' text='Kas 3' zel_alarm='0012 - 03' "
                      "zel_group='0020 - 01'/></PO_Locations>")
        << lines({"Pcu1*|Kas 3*|--|0012 - 03*|0020 - 01*"});
    QTest::newRow("placeholder pcu shows empty on the location and its exceptions")
        << QByteArray("<PO_Locations><PO_loc pcu='-\\-' text='-\\-' zel_alarm='0012 - 03'>"
                      "<Except nr='4' text='Hoog' zel_alarm='0012 - 04'/></PO_loc></PO_Locations>")
        << lines({"*|-\\-*|--|0012 - 03*|", "|-\\-|4: Hoog*|0012 - 04|"});
    QTest::newRow("zel alarm 0 is empty on a location, shown on an exception")
        << QByteArray("<PO_Locations><PO_loc pcu='P' text='T' zel_alarm='0' zel_group='0'>"
                      "<Except nr='2' text='x' zel_alarm='0' zel_group='0'/></PO_loc>"
                      "</PO_Locations>")
        << lines({"P*|T*|--|*|*", "P|T|2: x*|0|*"});
    QTest::newRow("exception without text or assignment")
        << QByteArray("<PO_Locations><PO_loc pcu='P' text='T'><Except nr='3'/></PO_loc>"
                      "</PO_Locations>")
        << lines({"P*|T*|--||", "P|T|3: *||"});
    QTest::newRow("location without attributes")
        << QByteArray("<PO_Locations><Anything/></PO_Locations>") << lines({"||--||"});
    QTest::newRow("children without nr give no row")
        << QByteArray("<PO_Locations><PO_loc pcu='P' text='T'><Except text='no nr'/>"
                      "<Other nr='5'/></PO_loc></PO_Locations>"
                      "<PO_Exceptions><Except text='no nr'/></PO_Exceptions>")
        << lines({"P*|T*|--||", "P|T|5: *||"});
    QTest::newRow("general exceptions after all locations, in document order")
        << QByteArray("<PO_Exceptions><Except nr='9' text='Laag' zel_alarm='0030 - 01' "
                      "zel_group='0'/><Except nr='8' zel_alarm='0'/></PO_Exceptions>"
                      "<PO_Locations><PO_loc pcu='P1' text='A'><Except nr='1'/></PO_loc>"
                      "<PO_loc pcu='P2' text='B'/></PO_Locations>")
        << lines({"P1*|A*|--||", "P1|A|1: *||", "P2*|B*|--||",
                  "--|General Exception*|9: Laag*|0030 - 01|*", "--|General Exception*|8: *|0|"});
    QTest::newRow("text beyond ASCII")
        << QByteArray("<PO_Locations><PO_loc pcu='P' text='Kas \xc3\x89\xc3\xa9n'/>"
                      "</PO_Locations>")
        << lines({"P*|Kas \u00c9\u00e9n*|--||"});
}

void TstDefinitionRows::rowsFollowTheCellRules()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, rows);

    QCOMPARE(describe(buildDefinitionRows(*document(body), kGeneral)), rows);
}

// Each row holds its element's key as stored: what no cell can say back (a pcu shown empty,
// an nr holding ":" or blanks, a location whose own pcu is "--") still names the right
// element.
void TstDefinitionRows::rowsCarryTheirElementsKey()
{
    const auto doc = document("<PO_Locations>"
                              "<PO_loc pcu='-\\-' text='' zel_alarm='0'>"
                              "<Except nr='4:1' text='Hoog'/><Except nr=' 7 '/></PO_loc>"
                              "<PO_loc pcu='--' text='T'/></PO_Locations>"
                              "<PO_Exceptions><Except nr='12: a' text='b'/></PO_Exceptions>");
    const std::vector<DefinitionRow> rows = buildDefinitionRows(*doc, kGeneral);
    using K = DefinitionKey;
    const std::vector<DefinitionKey> expected{
        {K::Location, "-\\-", "", ""},
        {K::LocationException, "-\\-", "", "4:1"},
        {K::LocationException, "-\\-", "", " 7 "},
        {K::Location, "--", "T", ""},
        {K::GeneralException, "", "", "12: a"},
    };
    QCOMPARE(rows.size(), expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        QVERIFY2(rows[i].key == expected[i], qPrintable(QString::number(i)));
}

void TstDefinitionRows::rowsCarryTheirKindAndAssignment_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("references on every kind")
        << QByteArray("<PO_Locations><PO_loc pcu='P' text='T' zel_alarm='0012 - 03' "
                      "zel_group='0020 - 01'><Except nr='1' zel_alarm='0012 - 04'/></PO_loc>"
                      "</PO_Locations><PO_Exceptions><Except nr='2' zel_alarm='9999 - 99' "
                      "zel_group='0000 - 00'/></PO_Exceptions>")
        << lines({"L 12/3 20/1", "E 12/4 -", "G 9999/99 0/0"});
    QTest::newRow("0 is nothing on a location and in a group, a text on an exception")
        << QByteArray("<PO_Locations><PO_loc pcu='P' text='T' zel_alarm='0' zel_group='0'>"
                      "<Except nr='1' zel_alarm='0' zel_group='0'/></PO_loc></PO_Locations>"
                      "<PO_Exceptions><Except nr='2' zel_alarm='0'/></PO_Exceptions>")
        << lines({"L - - !", "E \"0\" -", "G \"0\" -"});
    QTest::newRow("absent or empty is nothing")
        << QByteArray("<PO_Locations><PO_loc pcu='P' text='T'><Except nr='1' zel_alarm='' "
                      "zel_group=''/></PO_loc></PO_Locations>")
        << lines({"L - - !", "E - - !"});
    // What the written form cannot hold stays text, so that it is written back as it was.
    QTest::newRow("texts that are no reference")
        << QByteArray("<PO_Locations><PO_loc pcu='P' text='T' zel_alarm='12345 - 01' "
                      "zel_group='12 - 1'/></PO_Locations>")
        << lines({"L \"12345 - 01\" \"12 - 1\""});
    // The markers of the cells are no markers of the kind: a location whose own pcu is "--"
    // next to a general exception, and an exception whose cells read like a location's.
    QTest::newRow("cells that look like another kind")
        << QByteArray("<PO_Locations><PO_loc pcu='--' text='General Exception'/>"
                      "<PO_loc pcu='P' text='T'><Except nr='-' text='-'/></PO_loc>"
                      "</PO_Locations><PO_Exceptions><Except nr='--'/></PO_Exceptions>")
        << lines({"L - - !", "L - - !", "E - - !", "G - - !"});
}

// Each row carries its kind and its assignment as values, set from the document when the row
// is made; its ZEL Alarm and Group cells show those values.
void TstDefinitionRows::rowsCarryTheirKindAndAssignment()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, rows);

    const std::vector<DefinitionRow> built = buildDefinitionRows(*document(body), kGeneral);
    QCOMPARE(describeValues(built), rows);
    for (const DefinitionRow& row : built) {
        QCOMPARE(row.cell(DefinitionColumn::ZelAlarm), row.zelAlarm.cellText());
        QCOMPARE(row.cell(DefinitionColumn::Group), row.zelGroup.cellText());
    }
}

// Ten pixels per character: widths follow the header, then only cells written from the
// document; copied cells, markers and an exception's ZEL alarm never widen; the Alarm column
// stops at 250 after an exception row.
void TstDefinitionRows::columnWidthsFollowWideningCells()
{
    const auto doc = document("<PO_Locations>"
                              "<PO_loc pcu='Pcu12' text='Kas' zel_alarm='0012 - 03' zel_group='0'>"
                              "<Except nr='1' text='an alarm text of forty characters long..' "
                              "zel_alarm='an exception ZEL alarm of no size'/></PO_loc>"
                              "</PO_Locations>"
                              "<PO_Exceptions><Except nr='2'/></PO_Exceptions>");
    const std::vector<DefinitionRow> rows = buildDefinitionRows(*doc, kGeneral);

    int measured = 0;
    const auto width = [&measured](const QString& text) {
        ++measured;
        return int(text.size()) * 10;
    };
    const std::array<int, DefinitionDataColumns> widths =
        definitionColumnWidths(rows, kHeaders, width);

    // PCU: "Pcu12" 50+15 beats the header 30+22. Location: "General Exception" 170+15.
    // Alarm: 430+15 cut to 250. ZEL Alarm: the location's 90+15 = the header's 90+22 wins.
    // Group: the location's empty cell 0+15 loses to the header 50+22.
    const std::array<int, DefinitionDataColumns> expected{65, 185, 250, 112, 72};
    QCOMPARE(widths, expected);
    // Five headers, four location cells (not the "--" marker), one exception cell (not its
    // ZEL alarm), two general exception cells.
    QCOMPARE(measured, 5 + 4 + 1 + 2);
}

using Widths = std::array<int, DefinitionDataColumns>;
Q_DECLARE_METATYPE(Widths)

void TstDefinitionRows::columnsShareTheGridWidth_data()
{
    QTest::addColumn<Widths>("wanted");
    QTest::addColumn<int>("available");
    QTest::addColumn<Widths>("shared");

    QTest::newRow("slack to the text columns by their share")
        << Widths{50, 100, 50, 80, 60} << 540 << Widths{100, 200, 100, 80, 60};
    QTest::newRow("rounding goes to the Alarm column")
        << Widths{10, 10, 10, 80, 60} << 261 << Widths{40, 40, 41, 80, 60};
    QTest::newRow("exactly enough")
        << Widths{50, 100, 50, 80, 60} << 340 << Widths{50, 100, 50, 80, 60};
    QTest::newRow("too narrow: every column keeps its width")
        << Widths{50, 100, 50, 80, 60} << 200 << Widths{50, 100, 50, 80, 60};
}

void TstDefinitionRows::columnsShareTheGridWidth()
{
    QFETCH(Widths, wanted);
    QFETCH(int, available);
    QFETCH(Widths, shared);

    const Widths widths = shareGridWidth(wanted, available);
    QCOMPARE(widths, shared);
}

QTEST_APPLESS_MAIN(TstDefinitionRows)
#include "tst_definitionrows.moc"
