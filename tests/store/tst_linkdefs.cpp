#include "XmlDump.h"
#include "store/LinkDefs.h"
#include "store/ZelAlarmRef.h"

#include <QTest>

namespace {

std::string s(const QByteArray& bytes)
{
    return bytes.toStdString();
}

} // namespace

class TstLinkDefs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void zelAlarmRef_data();
    void zelAlarmRef();
    void assignLink_data();
    void assignLink();
    void assignGeneralExceptionCreatesContainer();
    void removeLink_data();
    void removeLink();
    void lookupLink_data();
    void lookupLink();
    void allLinksAssigned_data();
    void allLinksAssigned();
    void documentWithoutContentStaysEmpty();
};

void TstLinkDefs::zelAlarmRef_data()
{
    QTest::addColumn<QByteArray>("ref");
    QTest::addColumn<bool>("assigned");
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<QByteArray>("alarm");
    QTest::newRow("formatted") << QByteArray::fromStdString(FormatZelAlarmRef(12, 5)) << true
                               << QByteArray("0012") << QByteArray("05");
    QTest::newRow("system alarm") << QByteArray::fromStdString(FormatZelAlarmRef(9999, 9)) << true
                                  << QByteArray("9999") << QByteArray("09");
    QTest::newRow("just announced") << QByteArray("0") << false << QByteArray() << QByteArray();
    QTest::newRow("empty") << QByteArray() << false << QByteArray() << QByteArray();
    QTest::newRow("8 characters") << QByteArray("0012 - 5") << false << QByteArray()
                                  << QByteArray();
    QTest::newRow("10 characters")
        << QByteArray("0012 - 055") << false << QByteArray() << QByteArray();
    // 9 characters in 12 bytes: lengths and positions count characters.
    QTest::newRow("non-ASCII characters") << QByteArray("\xc3\x84\xc3\x96\xc3\x9c"
                                                        "1 - 05")
                                          << true
                                          << QByteArray("\xc3\x84\xc3\x96\xc3\x9c"
                                                        "1")
                                          << QByteArray("05");
    QTest::newRow("9 bytes but 8 characters") << QByteArray("\xc3\xa9"
                                                            "12 - 05")
                                              << false << QByteArray() << QByteArray();
}

void TstLinkDefs::zelAlarmRef()
{
    QFETCH(QByteArray, ref);
    QFETCH(bool, assigned);
    QFETCH(QByteArray, location);
    QFETCH(QByteArray, alarm);
    QCOMPARE(IsAssignedZelRef(s(ref)), assigned);
    if (assigned) {
        QCOMPARE(QByteArray::fromStdString(ZelRefLocationPart(s(ref))), location);
        QCOMPARE(QByteArray::fromStdString(ZelRefAlarmPart(s(ref))), alarm);
    }
}

void TstLinkDefs::assignLink_data()
{
    QTest::addColumn<QByteArray>("pcu");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("zelAlarm");
    QTest::addColumn<QByteArray>("nr");
    QTest::addColumn<QByteArray>("exceptText");
    QTest::addColumn<QByteArray>("zelGroup");
    QTest::addColumn<QByteArray>("xpath");   // the element to check; empty: nothing changes
    QTest::addColumn<QString>("attributes"); // that element's attributes afterwards
    QTest::addColumn<int>("addedElements");

    const QByteArray none;
    QTest::newRow("location link, empty group stored empty")
        << QByteArray("Pcu2") << QByteArray("Kas 2") << QByteArray("0015 - 02") << none << none
        << none << QByteArray("//PO_loc[@pcu='Pcu2']")
        << QStringLiteral("pcu=Pcu2|text=Kas 2|zel_alarm=0015 - 02|zel_group=") << 0;
    QTest::newRow("empty pcu and text find the placeholder location")
        << none << none << QByteArray("0016 - 01") << none << none << QByteArray("0020 - 02")
        << QByteArray("//PO_loc[@pcu='-\\-']")
        << QStringLiteral("pcu=-\\-|text=-\\-|zel_alarm=0016 - 01|zel_group=0020 - 02") << 0;
    QTest::newRow("unassigning a location link keeps both attributes")
        << QByteArray("Pcu1") << QByteArray("Kas 1") << none << none << none << none
        << QByteArray("//PO_loc[@pcu='Pcu1']")
        << QStringLiteral("pcu=Pcu1|text=Kas 1|zel_alarm=|zel_group=") << 0;
    QTest::newRow("unknown location is never created")
        << QByteArray("Pcu9") << QByteArray("Kas 9") << QByteArray("0015 - 02") << none << none
        << none << none << QString() << 0;
    QTest::newRow("text must match too")
        << QByteArray("Pcu1") << QByteArray("Kas 2") << QByteArray("0015 - 02") << none << none
        << none << none << QString() << 0;
    QTest::newRow("new location exception")
        << QByteArray("Pcu1") << QByteArray("Kas 1") << QByteArray("0012 - 11") << QByteArray("10")
        << QByteArray("Nieuw") << none << QByteArray("//PO_loc[@pcu='Pcu1']/Except[@nr='10']")
        << QStringLiteral("nr=10|text=Nieuw|zel_alarm=0012 - 11|zel_group=") << 1;
    QTest::newRow("new exception without text or assignment")
        << QByteArray("Pcu1") << QByteArray("Kas 1") << none << QByteArray("11") << none << none
        << QByteArray("//PO_loc[@pcu='Pcu1']/Except[@nr='11']")
        << QStringLiteral("nr=11|zel_alarm=|zel_group=") << 1;
    QTest::newRow("existing exception keeps its text when none is given")
        << QByteArray("Pcu1") << QByteArray("Kas 1") << QByteArray("0012 - 12") << QByteArray("7")
        << none << QByteArray("0020 - 03") << QByteArray("//PO_loc[@pcu='Pcu1']/Except[@nr='7']")
        << QStringLiteral("nr=7|text=Hoog|zel_alarm=0012 - 12|zel_group=0020 - 03") << 0;
    QTest::newRow("exception at the placeholder location")
        << none << none << QByteArray("0013 - 02") << QByteArray("7") << QByteArray("Hoog") << none
        << QByteArray("//PO_loc[@pcu='-\\-']/Except[@nr='7']")
        << QStringLiteral("nr=7|text=Hoog|zel_alarm=0013 - 02|zel_group=") << 1;
    QTest::newRow("pcu -- adds a general exception")
        << QByteArray("--") << QByteArray("Kas 1") << QByteArray("0030 - 01") << QByteArray("8")
        << QByteArray("Laag") << none << QByteArray("/ZelPOLinkDefs/PO_Exceptions/Except[@nr='8']")
        << QStringLiteral("nr=8|text=Laag|zel_alarm=0030 - 01|zel_group=") << 1;
    QTest::newRow("pcu -- unassigns a general exception")
        << QByteArray("--") << none << none << QByteArray("9") << none << none
        << QByteArray("/ZelPOLinkDefs/PO_Exceptions/Except[@nr='9']")
        << QStringLiteral("nr=9|text=Storing|zel_alarm=|zel_group=") << 0;
    QTest::newRow("pcu -- with an empty number changes nothing")
        << QByteArray("--") << none << QByteArray("0030 - 01") << none << none << none << none
        << QString() << 0;
}

void TstLinkDefs::assignLink()
{
    QFETCH(QByteArray, pcu);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, zelAlarm);
    QFETCH(QByteArray, nr);
    QFETCH(QByteArray, exceptText);
    QFETCH(QByteArray, zelGroup);
    QFETCH(QByteArray, xpath);
    QFETCH(QString, attributes);
    QFETCH(int, addedElements);

    const auto doc = LoadFixture("linkdefs.xml");
    const QString before = DumpNode(doc->root());
    const int countBefore = ElementCount(doc->root());
    AssignLink(*doc, s(pcu), s(text), s(zelAlarm), s(nr), s(exceptText), s(zelGroup));

    QCOMPARE(ElementCount(doc->root()), countBefore + addedElements);
    if (xpath.isEmpty()) {
        QCOMPARE(DumpNode(doc->root()), before);
        return;
    }
    const pugi::xpath_node_set found = doc->dom().select_nodes(xpath.constData());
    QCOMPARE(found.size(), size_t(1));
    QCOMPARE(DumpAttributes(found.first().node()), attributes);
}

void TstLinkDefs::assignGeneralExceptionCreatesContainer()
{
    const auto doc = ParseDocument("<ZelPOLinkDefs><PO_Locations/></ZelPOLinkDefs>");
    AssignGeneralException(*doc, "", "Hoog", "0012 - 05", "");
    QCOMPARE(DumpNode(doc->root()),
             QStringLiteral("ZelPOLinkDefs(){PO_Locations();PO_Exceptions()}"));

    AssignGeneralException(*doc, "7", "", "0012 - 05", "");
    AssignGeneralException(*doc, "7", "Hoog", "0012 - 06", "0020 - 01");
    QCOMPARE(DumpChildren(doc->root().child("PO_Exceptions")),
             QStringLiteral("Except(nr=7|zel_alarm=0012 - 06|zel_group=0020 - 01|text=Hoog)"));
}

void TstLinkDefs::removeLink_data()
{
    QTest::addColumn<QByteArray>("pcu");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("nr");
    QTest::addColumn<QByteArray>("gone"); // an element that must be gone afterwards
    QTest::addColumn<int>("removedElements");

    const QByteArray none;
    QTest::newRow("exception row removes the whole location link")
        << QByteArray("Pcu1") << QByteArray("Kas 1") << QByteArray("7")
        << QByteArray("//PO_loc[@pcu='Pcu1']") << 4;
    QTest::newRow("empty pcu and text remove the placeholder location")
        << none << none << none << QByteArray("//PO_loc[@pcu='-\\-']") << 1;
    QTest::newRow("empty text does not find a location stored with empty text")
        << QByteArray("Pcu3") << none << none << none << 0;
    QTest::newRow("unknown location")
        << QByteArray("Pcu9") << QByteArray("Kas 9") << none << none << 0;
    QTest::newRow("pcu -- removes one general exception")
        << QByteArray("--") << none << QByteArray("9")
        << QByteArray("/ZelPOLinkDefs/PO_Exceptions/Except[@nr='9']") << 1;
    QTest::newRow("pcu -- with an empty number") << QByteArray("--") << none << none << none << 0;
    QTest::newRow("pcu -- with an unknown number")
        << QByteArray("--") << none << QByteArray("42") << none << 0;
}

void TstLinkDefs::removeLink()
{
    QFETCH(QByteArray, pcu);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, nr);
    QFETCH(QByteArray, gone);
    QFETCH(int, removedElements);

    const auto doc = LoadFixture("linkdefs.xml");
    const int countBefore = ElementCount(doc->root());
    if (!gone.isEmpty())
        QVERIFY(doc->dom().select_node(gone.constData()));
    RemoveLink(*doc, s(pcu), s(text), s(nr));
    QCOMPARE(ElementCount(doc->root()), countBefore - removedElements);
    if (!gone.isEmpty())
        QVERIFY(!doc->dom().select_node(gone.constData()));
}

void TstLinkDefs::lookupLink_data()
{
    QTest::addColumn<QByteArray>("linkDefs"); // inline document; empty: the fixture
    QTest::addColumn<QByteArray>("pcu");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("nr");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("target"); // location,alarm,group location,group alarm,repeat

    const QByteArray fixture;
    QTest::newRow("location link with group and repeat")
        << fixture << QByteArray("Pcu1") << QByteArray("Kas 1") << QByteArray("1") << true
        << QByteArray("0012,05,0020,01,15");
    QTest::newRow("assigned general exception wins over the location exception")
        << fixture << QByteArray("Pcu1") << QByteArray("Kas 1") << QByteArray("9") << true
        << QByteArray("9999,08,0021,02,5");
    QTest::newRow("assigned general exception decides for an unknown location")
        << fixture << QByteArray("Pcu9") << QByteArray("Kas 9") << QByteArray("9") << true
        << QByteArray("9999,08,0021,02,5");
    QTest::newRow("location exception without group drops the location's group")
        << fixture << QByteArray("Pcu1") << QByteArray("Kas 1") << QByteArray("7") << true
        << QByteArray("0012,06,,,0");
    QTest::newRow("location exception with empty ZEL alarm suppresses")
        << fixture << QByteArray("Pcu1") << QByteArray("Kas 1") << QByteArray("8") << false
        << QByteArray();
    QTest::newRow("group of an unassigned general exception carries over")
        << fixture << QByteArray() << QByteArray("-\\-") << QByteArray("7") << true
        << QByteArray("0013,01,0022,03,1440");
    QTest::newRow("just announced location link")
        << fixture << QByteArray("Pcu2") << QByteArray("Kas 2") << QByteArray("1") << false
        << QByteArray();
    QTest::newRow("empty text does not match the placeholder")
        << fixture << QByteArray() << QByteArray() << QByteArray("1") << false << QByteArray();
    QTest::newRow("empty text matches a location stored with empty text")
        << fixture << QByteArray("Pcu3") << QByteArray() << QByteArray("1") << true
        << QByteArray("0014,01,,,0");
    QTest::newRow("unknown location") << fixture << QByteArray("Pcu9") << QByteArray("Kas 9")
                                      << QByteArray("1") << false << QByteArray();
    QTest::newRow("no location container, even with a general exception")
        << QByteArray("<ZelPOLinkDefs><PO_Exceptions><Except nr='9' zel_alarm='9999 - 08'/>"
                      "</PO_Exceptions></ZelPOLinkDefs>")
        << QByteArray("Pcu1") << QByteArray("Kas 1") << QByteArray("9") << false << QByteArray();
    QTest::newRow("group of another length is no group")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc pcu='P' text='T' "
                      "zel_alarm='0012 - 05' zel_group='0020 - 1'/></PO_Locations>"
                      "</ZelPOLinkDefs>")
        << QByteArray("P") << QByteArray("T") << QByteArray("1") << true
        << QByteArray("0012,05,,,15");
    QTest::newRow("location link without zel_alarm attribute")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc pcu='P' text='T'/>"
                      "</PO_Locations></ZelPOLinkDefs>")
        << QByteArray("P") << QByteArray("T") << QByteArray("1") << false << QByteArray();
}

void TstLinkDefs::lookupLink()
{
    QFETCH(QByteArray, linkDefs);
    QFETCH(QByteArray, pcu);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, nr);
    QFETCH(bool, found);
    QFETCH(QByteArray, target);

    const auto links = linkDefs.isEmpty() ? LoadFixture("linkdefs.xml") : ParseDocument(linkDefs);
    const auto zelDefs = LoadFixture("zeldefs.xml");
    QVERIFY(links->hasContent());
    const std::optional<LinkTarget> result = LookupLink(*links, *zelDefs, s(pcu), s(text), s(nr));
    QCOMPARE(result.has_value(), found);
    if (!result)
        return;
    const QByteArray actual = QByteArray::fromStdString(
        result->zelLocation + ',' + result->zelAlarm + ',' + result->groupLocation + ',' +
        result->groupAlarm + ',' + std::to_string(result->repeatMinutes));
    QCOMPARE(actual, target);
}

void TstLinkDefs::allLinksAssigned_data()
{
    QTest::addColumn<QByteArray>("linkDefs"); // empty: the fixture
    QTest::addColumn<bool>("assigned");

    QTest::newRow("fixture has a just announced location") << QByteArray() << false;
    QTest::newRow("no containers") << QByteArray("<ZelPOLinkDefs/>") << true;
    QTest::newRow("empty containers")
        << QByteArray("<ZelPOLinkDefs><PO_Locations/><PO_Exceptions/></ZelPOLinkDefs>") << true;
    QTest::newRow("another root") << QByteArray("<ZelAlarmDefinitions/>") << false;
    QTest::newRow("everything assigned")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc zel_alarm='0012 - 05'>"
                      "<Except nr='1' zel_alarm='0012 - 06'/></PO_loc></PO_Locations>"
                      "<PO_Exceptions><Except nr='2' zel_alarm='9999 - 08'/></PO_Exceptions>"
                      "</ZelPOLinkDefs>")
        << true;
    QTest::newRow("suppressing location exception counts as undefined")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc zel_alarm='0012 - 05'>"
                      "<Except nr='1' zel_alarm=''/></PO_loc></PO_Locations></ZelPOLinkDefs>")
        << false;
    QTest::newRow("general exception without zel_alarm")
        << QByteArray("<ZelPOLinkDefs><PO_Exceptions><Except nr='2' zel_group='0020 - 01'/>"
                      "</PO_Exceptions></ZelPOLinkDefs>")
        << false;
    QTest::newRow("reference of 10 characters")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc zel_alarm='0012 - 055'/>"
                      "</PO_Locations></ZelPOLinkDefs>")
        << false;
}

void TstLinkDefs::allLinksAssigned()
{
    QFETCH(QByteArray, linkDefs);
    QFETCH(bool, assigned);
    const auto doc = linkDefs.isEmpty() ? LoadFixture("linkdefs.xml") : ParseDocument(linkDefs);
    QVERIFY(doc->hasContent());
    QCOMPARE(AllLinksAssigned(*doc), assigned);
}

// A document that failed to open has no content; the operations must leave it so.
void TstLinkDefs::documentWithoutContentStaysEmpty()
{
    XmlDocument doc;
    const XmlDocument zelDefs;
    AssignLink(doc, "Pcu1", "Kas 1", "0012 - 05", "", "", "");
    AssignLink(doc, "--", "", "0012 - 05", "7", "Hoog", "");
    RemoveLink(doc, "Pcu1", "Kas 1", "");
    QVERIFY(!doc.hasContent());
    QVERIFY(!LookupLink(doc, zelDefs, "Pcu1", "Kas 1", "7"));
    QVERIFY(!AllLinksAssigned(doc));
}

QTEST_GUILESS_MAIN(TstLinkDefs)
#include "tst_linkdefs.moc"
