#include "XmlDump.h"
#include "store/LinkDefs.h"
#include "store/ZelCatalogue.h"
#include "store/ZelCode.h"
#include "store/ZelCodeMerge.h"
#include "store/ZelDefs.h"
#include "store/ZelLinkUpkeep.h"

#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<XmlDocument> parsed(const QByteArray& xml)
{
    auto doc = std::make_unique<XmlDocument>();
    if (!doc->dom().load_string(xml.constData()))
        qFatal("fixture does not parse");
    return doc;
}

std::unique_ptr<XmlDocument> catalogue(const QByteArray& body)
{
    return parsed("<ZelAlarmDefinitions>" + body + "</ZelAlarmDefinitions>");
}

QString replaced(QString text, const QString& before, const QString& after)
{
    return text.replace(before, after);
}

using Edit = std::function<ZelEditOutcome(XmlDocument&)>;

ZelItemData item(long long code, const char* name, int delay = 0, int repeat = 0)
{
    return {code, name, delay, repeat};
}

// A location, or an alarm of location 12, named by a Code text that is no number.
ZelItemKey invalidLocation(const char* code)
{
    ZelItemKey key;
    key.invalidLocationCode = code;
    return key;
}

ZelItemKey invalidAlarmOf12(const char* code)
{
    ZelItemKey key{12, 0};
    key.invalidAlarmCode = code;
    return key;
}

// The references of every element that holds one, in document order: "alarm|group".
QStringList references(const XmlDocument& linkDefs)
{
    QStringList refs;
    for (const pugi::xpath_node found :
         linkDefs.dom().select_nodes("//*[@zel_alarm or @zel_group]")) {
        const pugi::xml_node node = found.node();
        refs << QString::fromUtf8(node.attribute("zel_alarm").value()) + u'|' +
                    QString::fromUtf8(node.attribute("zel_group").value());
    }
    return refs;
}

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(ZelEditOutcome)
Q_DECLARE_METATYPE(ZelItemKey)

// Editing the ZEL catalogue on values: codes are numbers, whatever form a file gave them.
class TstZelCatalogue : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void codeForms_data();
    void codeForms();
    void lookupsCompareNumbers_data();
    void lookupsCompareNumbers();
    void edits_data();
    void edits();
    void catalogueShowsTheFirstOfEachCode();
    void alarmsReadALocationAtATimeAreThoseOfTheWholeRead();
    void danglingLinksAreCleared_data();
    void danglingLinksAreCleared();
    void cleanUpAfterADeleteTellsItsOwnLinksFromOthers_data();
    void cleanUpAfterADeleteTellsItsOwnLinksFromOthers();
    void renumberedItemsTakeTheirLinksAlong_data();
    void renumberedItemsTakeTheirLinksAlong();
    void codeFormsAreMergedByNumber_data();
    void codeFormsAreMergedByNumber();
    void mergedCatalogueKeepsEveryLink();
};

void TstZelCatalogue::codeForms_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<qlonglong>("value");

    QTest::newRow("plain") << QByteArray("12") << true << 12LL;
    QTest::newRow("leading zero") << QByteArray("012") << true << 12LL;
    QTest::newRow("four digits") << QByteArray("0012") << true << 12LL;
    QTest::newRow("plus sign") << QByteArray("+12") << true << 12LL;
    QTest::newRow("blanks around") << QByteArray(" 12\t") << true << 12LL;
    QTest::newRow("minus sign: a number, out of every range") << QByteArray("-12") << true << -12LL;
    QTest::newRow("zero") << QByteArray("00") << true << 0LL;
    // -1 here: a value beyond every code range.
    QTest::newRow("huge stays a number beyond every range")
        << QByteArray("123456789012345678901234567890") << true << -1LL;
    QTest::newRow("empty") << QByteArray() << false << 0LL;
    QTest::newRow("blanks only") << QByteArray("  ") << false << 0LL;
    QTest::newRow("sign only") << QByteArray("+") << false << 0LL;
    QTest::newRow("two signs") << QByteArray("+-12") << false << 0LL;
    QTest::newRow("blank inside") << QByteArray("1 2") << false << 0LL;
    QTest::newRow("blank after the sign") << QByteArray("+ 12") << false << 0LL;
    QTest::newRow("decimal point") << QByteArray("12.0") << false << 0LL;
    QTest::newRow("exponent") << QByteArray("1e2") << false << 0LL;
    QTest::newRow("hexadecimal") << QByteArray("0x0C") << false << 0LL;
    QTest::newRow("letter after") << QByteArray("12a") << false << 0LL;
    QTest::newRow("Arabic-Indic digits") << QByteArray("\xd9\xa1\xd9\xa2") << false << 0LL;
}

void TstZelCatalogue::codeForms()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, number);
    QFETCH(qlonglong, value);

    const std::optional<long long> read = zelCodeValue(text.toStdString());
    QCOMPARE(read.has_value(), number);
    if (number && value == -1) {
        QVERIFY(*read > 9999);
    } else if (number) {
        QCOMPARE(*read, value);
        QCOMPARE(canonicalZelCode(text.toStdString()), std::to_string(value));
    } else {
        QCOMPARE(canonicalZelCode(text.toStdString()), text.toStdString());
    }
}

void TstZelCatalogue::lookupsCompareNumbers_data()
{
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<QByteArray>("alarm");
    QTest::addColumn<QByteArray>("ref");
    QTest::addColumn<bool>("exists");

    QTest::newRow("plain") << QByteArray("12") << QByteArray("1") << QByteArray("0012 - 01")
                           << true;
    QTest::newRow("leading zeros")
        << QByteArray("012") << QByteArray("01") << QByteArray("0012 - 01") << true;
    QTest::newRow("plus and blanks")
        << QByteArray("+12") << QByteArray(" 1 ") << QByteArray("0012 - 01") << true;
    QTest::newRow("another number")
        << QByteArray("120") << QByteArray("1") << QByteArray("0012 - 01") << false;
    QTest::newRow("no number") << QByteArray("12a") << QByteArray("1") << QByteArray("0012 - 01")
                               << false;
}

void TstZelCatalogue::lookupsCompareNumbers()
{
    QFETCH(QByteArray, location);
    QFETCH(QByteArray, alarm);
    QFETCH(QByteArray, ref);
    QFETCH(bool, exists);

    const auto doc = catalogue("<Location Code='" + location + "' Name='Kas'><Alarm Code='" +
                               alarm + "' Name='Een' GroupDelay='30' Repeat='5'/></Location>");
    QCOMPARE(ZelAlarmExists(*doc, ref.toStdString()), exists);
    QCOMPARE(GetGroupDelay(*doc, ref.toStdString()), exists ? 30 : 0);
    QCOMPARE(GetRepeat(*doc, ref.toStdString()), exists ? 5 : 0);
    const std::optional<ZelItemData> read = readZelItem(*doc, {12, 1});
    QCOMPARE(read.has_value(), exists);
    if (exists)
        QCOMPARE(read->groupDelay, 30);
}

void TstZelCatalogue::edits_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<ZelEditOutcome>("outcome");
    QTest::addColumn<QString>("after");

    using O = ZelEditOutcome;
    const QByteArray imported = "<Location Code='012' Name='Oud'><Alarm Code='01' Name='Een'/>"
                                "<Alarm Code='02' Name='Twee'/></Location>";
    const QString importedDump = u"Location(Code=012|Name=Oud){Alarm(Code=01|Name=Een);"
                                 u"Alarm(Code=02|Name=Twee)}"_s;

    QTest::newRow("add a location whose number exists as 012")
        << imported << Edit([](XmlDocument& d) { return addZelLocation(d, item(12, "Kas")); })
        << O::Duplicate << importedDump;
    QTest::newRow("add a location")
        << imported << Edit([](XmlDocument& d) { return addZelLocation(d, item(13, "Nieuw")); })
        << O::Done << importedDump + u";Location(Code=13|Name=Nieuw)"_s;
    QTest::newRow("edit 012 keeping its code writes it plain")
        << imported << Edit([](XmlDocument& d) {
               return editZelItem(d, {12, 0}, item(12, "Kas"));
           })
        << O::Done << replaced(importedDump, u"Code=012|Name=Oud"_s, u"Code=12|Name=Kas"_s);
    QTest::newRow("edit a location to the code of another")
        << imported + "<Location Code='13' Name='Ander'/>" << Edit([](XmlDocument& d) {
               return editZelItem(d, {13, 0}, item(12, "Ander"));
           })
        << O::Duplicate << importedDump + u";Location(Code=13|Name=Ander)"_s;
    QTest::newRow("add an alarm under 012")
        << imported
        << Edit([](XmlDocument& d) { return addZelAlarm(d, 12, item(7, "Zeven", 30, 5)); })
        << O::Done
        << replaced(importedDump, u"Twee)}"_s,
                    u"Twee);Alarm(Code=7|Name=Zeven|GroupDelay=30|Repeat=5)}"_s);
    QTest::newRow("add alarm 1 where 01 exists")
        << imported << Edit([](XmlDocument& d) { return addZelAlarm(d, 12, item(1, "x")); })
        << O::Duplicate << importedDump;
    QTest::newRow("add an alarm to a missing location")
        << imported << Edit([](XmlDocument& d) { return addZelAlarm(d, 14, item(1, "x")); })
        << O::NotFound << importedDump;
    QTest::newRow("edit alarm 01 to its own code")
        << imported << Edit([](XmlDocument& d) {
               return editZelItem(d, {12, 1}, item(1, "Een", 60, 2));
           })
        << O::Done
        << replaced(importedDump, u"Alarm(Code=01|Name=Een)"_s,
                    u"Alarm(Code=1|Name=Een|GroupDelay=60|Repeat=2)"_s);
    QTest::newRow("edit alarm 01 to the code of 02") << imported << Edit([](XmlDocument& d) {
        return editZelItem(d, {12, 1}, item(2, "x"));
    }) << O::Duplicate << importedDump;
    QTest::newRow("delete alarm 01 by its number") << imported << Edit([](XmlDocument& d) {
        return deleteZelItem(d, {12, 1});
    }) << O::Done << u"Location(Code=012|Name=Oud){Alarm(Code=02|Name=Twee)}"_s;
    QTest::newRow("delete location 12 takes the shadowed 012 along, not 120")
        << "<Location Code='12' Name='Kas'/><Location Code='120' Name='Ver'/>" + imported
        << Edit([](XmlDocument& d) {
               return deleteZelItem(d, {12, 0});
           })
        << O::Done << u"Location(Code=120|Name=Ver)"_s;
    QTest::newRow("delete a missing alarm") << imported << Edit([](XmlDocument& d) {
        return deleteZelItem(d, {12, 3});
    }) << O::NotFound << importedDump;

    // A Code that is no number is named by its text, so that it can be mended or deleted.
    const QByteArray invalid = "<Location Code='x1' Name='Fout'><Alarm Code='2' Name='Twee'/>"
                               "</Location><Location Code='12' Name='Kas'>"
                               "<Alarm Code='y' Name='Raar'/></Location>";
    const QString invalidDump = u"Location(Code=x1|Name=Fout){Alarm(Code=2|Name=Twee)};"
                                u"Location(Code=12|Name=Kas){Alarm(Code=y|Name=Raar)}"_s;
    QTest::newRow("mend a location's code") << invalid << Edit([](XmlDocument& d) {
        return editZelItem(d, invalidLocation("x1"), item(30, "Dertig"));
    }) << O::Done << replaced(invalidDump, u"Code=x1|Name=Fout"_s, u"Code=30|Name=Dertig"_s);
    QTest::newRow("mend a location's code to one that exists")
        << invalid << Edit([](XmlDocument& d) {
               return editZelItem(d, invalidLocation("x1"), item(12, "Dubbel"));
           })
        << O::Duplicate << invalidDump;
    QTest::newRow("delete a location whose code is no number")
        << invalid << Edit([](XmlDocument& d) { return deleteZelItem(d, invalidLocation("x1")); })
        << O::Done << u"Location(Code=12|Name=Kas){Alarm(Code=y|Name=Raar)}"_s;
    QTest::newRow("add an alarm to a location whose code is no number")
        << invalid << Edit([](XmlDocument& d) {
               return addZelAlarm(d, invalidLocation("x1"), item(3, "Drie"));
           })
        << O::Done
        << replaced(invalidDump, u"Twee)}"_s,
                    u"Twee);Alarm(Code=3|Name=Drie|GroupDelay=0|Repeat=0)}"_s);
    QTest::newRow("mend an alarm's code") << invalid << Edit([](XmlDocument& d) {
        return editZelItem(d, invalidAlarmOf12("y"), item(5, "Vijf", 10, 2));
    }) << O::Done
                                          << replaced(invalidDump, u"Alarm(Code=y|Name=Raar)"_s,
                                                      u"Alarm(Code=5|Name=Vijf|GroupDelay=10|"
                                                      u"Repeat=2)"_s);
    QTest::newRow("delete an alarm whose code is no number")
        << invalid << Edit([](XmlDocument& d) { return deleteZelItem(d, invalidAlarmOf12("y")); })
        << O::Done << replaced(invalidDump, u"{Alarm(Code=y|Name=Raar)}"_s, QString());
    QTest::newRow("a number is never named as text")
        << imported << Edit([](XmlDocument& d) { return deleteZelItem(d, invalidLocation("012")); })
        << O::NotFound << importedDump;
}

void TstZelCatalogue::edits()
{
    QFETCH(QByteArray, body);
    QFETCH(Edit, edit);
    QFETCH(ZelEditOutcome, outcome);
    QFETCH(QString, after);

    const auto doc = catalogue(body);
    QCOMPARE(edit(*doc), outcome);
    QCOMPARE(DumpChildren(doc->root()), after);
}

// Every look-up finds the first element of a code; the view shows that one and no other. A
// Code that is no number is shown by its text, so that it can be mended.
void TstZelCatalogue::catalogueShowsTheFirstOfEachCode()
{
    const auto doc = catalogue("<Location Code='12' Name='Kas'><Alarm Code='1' Name='Een'/>"
                               "<Alarm Code='+1' Name='Dubbel'/><Alarm Code='x' Name='Fout'/>"
                               "</Location><Location Code='012' Name='Oud'/>"
                               "<Location Code='abc' Name='Geen nummer'/>"
                               "<Location Code='9999' Name='Systeem'/>");
    const std::vector<ZelLocationEntry> entries = readZelCatalogue(*doc);
    QStringList shown;
    for (const ZelLocationEntry& location : entries) {
        const auto code = [](const auto& entry) {
            return entry.invalidCode ? u'"' + QString::fromStdString(*entry.invalidCode) + u'"'
                                     : QString::number(entry.code);
        };
        QString line = QString::fromStdString(location.name) + u' ' + code(location);
        for (const ZelAlarmEntry& alarm : location.alarms)
            line += u" / "_s + QString::fromStdString(alarm.name) + u' ' + code(alarm);
        shown << line;
    }
    QCOMPARE(shown, (QStringList{u"Kas 12 / Een 1 / Fout \"x\""_s, u"Geen nummer \"abc\""_s,
                                 u"Systeem 9999"_s}));
}

namespace {

QString alarmsText(const std::vector<ZelAlarmEntry>& alarms)
{
    QStringList texts;
    for (const ZelAlarmEntry& alarm : alarms)
        texts << QString::fromStdString(alarm.name) + u' ' +
                     QString::fromStdString(alarm.invalidCode.value_or(std::to_string(alarm.code)));
    return texts.join(u", "_s);
}

} // namespace

// The tree reads the locations first and a location's alarms when it shows them: together they
// must be what one whole read gives, the first of each code included and no later one.
void TstZelCatalogue::alarmsReadALocationAtATimeAreThoseOfTheWholeRead()
{
    const auto doc = catalogue("<Location Code='12' Name='Kas'><Alarm Code='5' Name='Vijf'/>"
                               "<Alarm Code='1' Name='Een'/><Alarm Code='+1' Name='Dubbel'/>"
                               "<Alarm Code='x' Name='Fout'/><Alarm Code='x' Name='Weer'/>"
                               "</Location><Location Code='012' Name='Later'>"
                               "<Alarm Code='7' Name='Zeven'/></Location>"
                               "<Location Code='abc' Name='Geen nummer'><Alarm Code='3' "
                               "Name='Drie'/></Location><Location Code='20' Name='Leeg'/>");
    const std::vector<ZelLocationEntry> whole = readZelCatalogue(*doc);
    const std::vector<ZelLocationEntry> locations =
        readZelCatalogue(*doc, ZelCatalogueDepth::LocationsOnly);
    QCOMPARE(locations.size(), whole.size());
    QCOMPARE(whole.size(), std::size_t(3));
    for (std::size_t i = 0; i < whole.size(); ++i) {
        const ZelLocationEntry& location = locations[i];
        QCOMPARE(location.code, whole[i].code);
        QCOMPARE(location.name, whole[i].name);
        QCOMPARE(location.invalidCode, whole[i].invalidCode);
        QVERIFY(location.alarms.empty());
        QCOMPARE(location.hasAlarms, !whole[i].alarms.empty());
        QCOMPARE(whole[i].hasAlarms, location.hasAlarms);
        const ZelItemKey key{location.code, 0, location.invalidCode};
        QCOMPARE(alarmsText(readZelAlarms(*doc, key)), alarmsText(whole[i].alarms));
    }
    QCOMPARE(alarmsText(readZelAlarms(*doc, {12})), u"Vijf 5, Een 1, Fout x"_s);
    QCOMPARE(alarmsText(readZelAlarms(*doc, {0, 0, "abc"})), u"Drie 3"_s);
    QVERIFY(!locations[2].hasAlarms);
    QVERIFY(readZelAlarms(*doc, {13}).empty());
}

void TstZelCatalogue::danglingLinksAreCleared_data()
{
    QTest::addColumn<QByteArray>("links");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QString>("after");

    QTest::newRow("references written 0012 - 01 find the codes 012 and 01")
        << QByteArray("<PO_Locations><PO_loc pcu='P' text='T' zel_alarm='0012 - 01' "
                      "zel_group='0012 - 02'/></PO_Locations>")
        << false
        << u"PO_Locations(){PO_loc(pcu=P|text=T|zel_alarm=0012 - 01|zel_group=0012 - 02)}"_s;
    QTest::newRow("a missing alarm empties, an existing group stays")
        << QByteArray("<PO_Locations><PO_loc pcu='P' text='T' zel_alarm='0012 - 03' "
                      "zel_group='0012 - 02'><Except nr='4:1' zel_alarm='0013 - 01'/>"
                      "</PO_loc></PO_Locations>"
                      "<PO_Exceptions><Except nr='7' zel_alarm='0012 - 01' zel_group='0012 - 09'/>"
                      "<Except text='no nr' zel_alarm='0012 - 03'/></PO_Exceptions>")
        << true
        << u"PO_Locations(){PO_loc(pcu=P|text=T|zel_alarm=|zel_group=0012 - 02)"
           u"{Except(nr=4:1|zel_alarm=|zel_group=)}};"
           u"PO_Exceptions(){Except(nr=7|zel_alarm=0012 - 01|zel_group=);"
           u"Except(text=no nr|zel_alarm=0012 - 03)}"_s;
    QTest::newRow("a new link's 0 becomes empty")
        << QByteArray("<PO_Locations><PO_loc pcu='P' text='T' zel_alarm='0'/></PO_Locations>")
        << true << u"PO_Locations(){PO_loc(pcu=P|text=T|zel_alarm=|zel_group=)}"_s;
    QTest::newRow("an empty link stays as it is")
        << QByteArray("<PO_Locations><PO_loc pcu='P' text='T' zel_alarm='' zel_group=''/>"
                      "</PO_Locations>")
        << false << u"PO_Locations(){PO_loc(pcu=P|text=T|zel_alarm=|zel_group=)}"_s;
}

void TstZelCatalogue::danglingLinksAreCleared()
{
    QFETCH(QByteArray, links);
    QFETCH(bool, changed);
    QFETCH(QString, after);

    const auto zelDefs = catalogue("<Location Code='012' Name='Oud'><Alarm Code='01' Name='Een'/>"
                                   "<Alarm Code='02' Name='Twee'/></Location>");
    const auto linkDefs = parsed("<ZelPOLinkDefs>" + links + "</ZelPOLinkDefs>");
    QCOMPARE(clearDanglingLinks(*linkDefs, *zelDefs), changed);
    QCOMPARE(DumpChildren(linkDefs->root()), after);
}

// The catalogue after location 12 was deleted; the links were made with 12 (alarms 1 and 5)
// and 20; 99 and 77 never existed in it.
void TstZelCatalogue::cleanUpAfterADeleteTellsItsOwnLinksFromOthers_data()
{
    QTest::addColumn<ZelItemKey>("deleted");
    QTest::addColumn<int>("ofDeleted");
    QTest::addColumn<int>("others");
    QTest::addColumn<QStringList>("after");

    QTest::newRow("location 12: its alarm and its exception's")
        << ZelItemKey{12, 0} << 2 << 2
        << QStringList{u"|0020 - 10"_s, u"|"_s, u"0099 - 01|"_s, u"0020 - 10|0077 - 02"_s, u"0|"_s};
    QTest::newRow("alarm 12/1: only the link naming it; 12/5 counts as another")
        << ZelItemKey{12, 1} << 1 << 3
        << QStringList{u"|0020 - 10"_s, u"0012 - 05|"_s, u"0099 - 01|"_s, u"0020 - 10|0077 - 02"_s,
                       u"0|"_s};
    QTest::newRow("location 30, linked nowhere: nothing of its own")
        << ZelItemKey{30, 0} << 0 << 4
        << QStringList{u"0012 - 01|0020 - 10"_s, u"0012 - 05|"_s, u"0099 - 01|"_s,
                       u"0020 - 10|0077 - 02"_s, u"0|"_s};
}

void TstZelCatalogue::cleanUpAfterADeleteTellsItsOwnLinksFromOthers()
{
    QFETCH(ZelItemKey, deleted);
    QFETCH(int, ofDeleted);
    QFETCH(int, others);
    QFETCH(QStringList, after);

    const auto zelDefs = catalogue("<Location Code='20' Name='B'><Alarm Code='10' Name='Tien'/>"
                                   "</Location>");
    const auto linkDefs =
        parsed("<ZelPOLinkDefs><PO_Locations>"
               "<PO_loc pcu='P1' text='T' zel_alarm='0012 - 01' zel_group='0020 - 10'>"
               "<Except nr='4' zel_alarm='0012 - 05'/></PO_loc>"
               "<PO_loc pcu='P2' text='T' zel_alarm='0099 - 01'/></PO_Locations>"
               "<PO_Exceptions><Except nr='7' zel_alarm='0020 - 10' zel_group='0077 - 02'/>"
               "<Except nr='8' zel_alarm='0'/></PO_Exceptions></ZelPOLinkDefs>");
    const DanglingLinkCount count = countDanglingLinks(*linkDefs, *zelDefs, deleted);
    QCOMPARE(count.ofDeleted, ofDeleted);
    QCOMPARE(count.others, others);
    QCOMPARE(clearLinksOf(*linkDefs, *zelDefs, deleted), ofDeleted > 0);
    QCOMPARE(references(*linkDefs), after);
}

void TstZelCatalogue::renumberedItemsTakeTheirLinksAlong_data()
{
    QTest::addColumn<ZelItemKey>("from");
    QTest::addColumn<ZelItemKey>("to");
    QTest::addColumn<QStringList>("after");

    const QStringList before{u"0012 - 01|0020 - 10"_s, u"0012 - 05|"_s, u"0120 - 01|"_s,
                             u"0020 - 10|0012 - 01"_s, u"0|"_s};
    QTest::newRow("location 12 to 13: each of its alarms, as alarm or group")
        << ZelItemKey{12, 0} << ZelItemKey{13, 0}
        << QStringList{u"0013 - 01|0020 - 10"_s, u"0013 - 05|"_s, u"0120 - 01|"_s,
                       u"0020 - 10|0013 - 01"_s, u"0|"_s};
    QTest::newRow("alarm 12/1 to 7: that alarm only")
        << ZelItemKey{12, 1} << ZelItemKey{12, 7}
        << QStringList{u"0012 - 07|0020 - 10"_s, u"0012 - 05|"_s, u"0120 - 01|"_s,
                       u"0020 - 10|0012 - 07"_s, u"0|"_s};
    QTest::newRow("location 20 to 9999")
        << ZelItemKey{20, 0} << ZelItemKey{9999, 0}
        << QStringList{u"0012 - 01|9999 - 10"_s, u"0012 - 05|"_s, u"0120 - 01|"_s,
                       u"9999 - 10|0012 - 01"_s, u"0|"_s};
    QTest::newRow("a location linked nowhere") << ZelItemKey{30, 0} << ZelItemKey{31, 0} << before;
    QTest::newRow("beyond four digits nothing can follow")
        << ZelItemKey{12, 0} << ZelItemKey{10000, 0} << before;
}

void TstZelCatalogue::renumberedItemsTakeTheirLinksAlong()
{
    QFETCH(ZelItemKey, from);
    QFETCH(ZelItemKey, to);
    QFETCH(QStringList, after);

    const auto linkDefs =
        parsed("<ZelPOLinkDefs><PO_Locations>"
               "<PO_loc pcu='P1' text='T' zel_alarm='0012 - 01' zel_group='0020 - 10'>"
               "<Except nr='4' zel_alarm='0012 - 05'/></PO_loc>"
               "<PO_loc pcu='P2' text='T' zel_alarm='0120 - 01'/></PO_Locations>"
               "<PO_Exceptions><Except nr='7' zel_alarm='0020 - 10' zel_group='0012 - 01'/>"
               "<Except nr='8' zel_alarm='0'/></PO_Exceptions></ZelPOLinkDefs>");
    const QStringList before = references(*linkDefs);
    QCOMPARE(renumberZelLinks(*linkDefs, from, to), after != before);
    QCOMPARE(references(*linkDefs), after);
}

void TstZelCatalogue::codeFormsAreMergedByNumber_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("locations");
    QTest::addColumn<int>("alarms");

    QTest::newRow("012 before 12: the later name, the alarms united, the first timing kept")
        << QByteArray("<Location Code='012' Name='Oud'>"
                      "<Alarm Code='01' Name='Een' GroupDelay='30' Repeat='5'/></Location>"
                      "<Location Code='13' Name='Ander'/>"
                      "<Location Code='12' Name='Kas'><Alarm Code='1' Name='Een nieuw'/>"
                      "<Alarm Code='3' Name='Drie' GroupDelay='9' Repeat='2'/></Location>")
        << u"Location(Code=12|Name=Kas){Alarm(Code=1|Name=Een nieuw|GroupDelay=30|Repeat=5);"
           u"Alarm(Code=3|Name=Drie|GroupDelay=9|Repeat=2)};Location(Code=13|Name=Ander)"_s
        << 1 << 1;
    QTest::newRow("three forms of one number")
        << QByteArray("<Location Code='12' Name='a'/><Location Code='+12' Name='b'/>"
                      "<Location Code=' 012 ' Name='c'><Alarm Code='4' Name='Vier'/></Location>")
        << u"Location(Code=12|Name=c){Alarm(Code=4|Name=Vier)}"_s << 2 << 0;
    QTest::newRow("two forms of an alarm in one location")
        << QByteArray("<Location Code='12' Name='Kas'><Alarm Code='05' Name='Vijf'/>"
                      "<Alarm Code='2' Name='Twee'/><Alarm Code='5' Name='Vijf nieuw'/>"
                      "</Location>")
        << u"Location(Code=12|Name=Kas){Alarm(Code=5|Name=Vijf nieuw);Alarm(Code=2|Name=Twee)}"_s
        << 0 << 1;
    QTest::newRow("codes that are no number stay as they are")
        << QByteArray("<Location Code='x' Name='a'/><Location Code='x' Name='b'/>")
        << u"Location(Code=x|Name=a);Location(Code=x|Name=b)"_s << 0 << 0;
    QTest::newRow("one form each: nothing changes")
        << QByteArray("<Location Code='012' Name='Oud'><Alarm Code='01' Name='Een'/></Location>"
                      "<Location Code='120' Name='Ver'/>")
        << u"Location(Code=012|Name=Oud){Alarm(Code=01|Name=Een)};Location(Code=120|Name=Ver)"_s
        << 0 << 0;
}

void TstZelCatalogue::codeFormsAreMergedByNumber()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, after);
    QFETCH(int, locations);
    QFETCH(int, alarms);

    const auto doc = catalogue(body);
    const ZelCodeMergeCount count = mergeZelCodeForms(*doc);
    QCOMPARE(count.locations, locations);
    QCOMPARE(count.alarms, alarms);
    QCOMPARE(DumpChildren(doc->root()), after);
}

// The alarms of a later form were out of reach of every look-up; once merged they are found,
// and a clean-up keeps the links to them.
void TstZelCatalogue::mergedCatalogueKeepsEveryLink()
{
    const auto zelDefs = catalogue("<Location Code='012' Name='Oud'><Alarm Code='1' Name='Een'/>"
                                   "</Location><Location Code='12' Name='Kas'>"
                                   "<Alarm Code='3' Name='Drie'/></Location>");
    const auto linkDefs = parsed("<ZelPOLinkDefs><PO_Locations>"
                                 "<PO_loc pcu='P1' text='T' zel_alarm='0012 - 01' zel_group=''/>"
                                 "<PO_loc pcu='P2' text='T' zel_alarm='0012 - 03' zel_group=''/>"
                                 "</PO_Locations></ZelPOLinkDefs>");
    QVERIFY(!ZelAlarmExists(*zelDefs, "0012 - 03"));
    QVERIFY(mergeZelCodeForms(*zelDefs).any());
    QVERIFY(ZelAlarmExists(*zelDefs, "0012 - 03"));
    QVERIFY(ZelAlarmExists(*zelDefs, "0012 - 01"));
    QVERIFY(!clearDanglingLinks(*linkDefs, *zelDefs));
    QCOMPARE(references(*linkDefs), (QStringList{u"0012 - 01|"_s, u"0012 - 03|"_s}));
}

QTEST_APPLESS_MAIN(TstZelCatalogue)
#include "tst_zelcatalogue.moc"
