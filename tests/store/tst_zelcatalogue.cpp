#include "XmlDump.h"
#include "store/LinkDefs.h"
#include "store/ZelCatalogue.h"
#include "store/ZelCode.h"
#include "store/ZelDefs.h"

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

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(ZelEditOutcome)

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
    void danglingLinksAreCleared_data();
    void danglingLinksAreCleared();
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

// Every look-up finds the first element of a code; the view shows that one and no other.
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
        QString line =
            QString::fromStdString(location.name) + u' ' + QString::number(location.code);
        for (const ZelAlarmEntry& alarm : location.alarms)
            line +=
                u" / "_s + QString::fromStdString(alarm.name) + u' ' + QString::number(alarm.code);
        shown << line;
    }
    QCOMPARE(shown, (QStringList{u"Kas 12 / Een 1"_s, u"Systeem 9999"_s}));
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

QTEST_APPLESS_MAIN(TstZelCatalogue)
#include "tst_zelcatalogue.moc"
