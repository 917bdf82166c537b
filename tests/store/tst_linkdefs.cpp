#include "XmlDump.h"
#include "store/LinkDefs.h"
#include "store/LinkLookupTable.h"
#include "store/ZelAlarmRef.h"

#include <QTest>

#include <algorithm>
#include <random>
#include <sstream>
#include <vector>

namespace {

std::string s(const QByteArray& bytes)
{
    return bytes.toStdString();
}

// location,alarm,group location,group alarm,repeat; "(none)" when nothing was found.
QByteArray describe(const std::optional<LinkTarget>& target)
{
    if (!target)
        return QByteArrayLiteral("(none)");
    // The reference's two parts as they go on the wire.
    const auto fields = [](const std::optional<ZelAlarmRef>& ref) {
        return ref ? ref->text().substr(0, 4) + ',' + ref->text().substr(7, 2) : std::string(",");
    };
    return QByteArray::fromStdString(fields(target->zel) + ',' + fields(target->group) + ',' +
                                     std::to_string(target->repeatMinutes));
}

struct LinkQuery
{
    std::string pcu;
    std::string text;
    std::string nr;
};

// The query with its answer, so that a failed comparison names the query.
QByteArray answered(const LinkQuery& query, const std::optional<LinkTarget>& target)
{
    return QByteArray::fromStdString(query.pcu + '|' + query.text + '|' + query.nr + " -> ") +
           describe(target);
}

void addUnique(std::vector<std::string>& values, std::string value)
{
    if (std::find(values.begin(), values.end(), value) == values.end())
        values.push_back(std::move(value));
}

// Every pcu, text and alarm type number that the document names anywhere, plus the empty
// text, the placeholder and values that none carries, in every combination.
std::vector<LinkQuery> queriesFor(const pugi::xml_document& dom)
{
    std::vector<std::string> pcus{"", "-\\-", "--", "none"};
    std::vector<std::string> texts{"", "-\\-", "none"};
    std::vector<std::string> nrs{"", "none"};
    for (const pugi::xpath_node& found : dom.select_nodes("//*[@pcu or @text]")) {
        addUnique(pcus, found.node().attribute("pcu").value());
        addUnique(texts, found.node().attribute("text").value());
    }
    for (const pugi::xpath_node& found : dom.select_nodes("//*[@nr]"))
        addUnique(nrs, found.node().attribute("nr").value());
    std::vector<LinkQuery> queries;
    for (const std::string& pcu : pcus) {
        for (const std::string& text : texts) {
            for (const std::string& nr : nrs)
                queries.push_back({pcu, text, nr});
        }
    }
    return queries;
}

// One of a few values, picked by the generator; a null choice leaves the attribute out.
void setGenerated(pugi::xml_node node, const char* name, std::minstd_rand& random,
                  std::initializer_list<const char*> choices)
{
    const char* value = *(choices.begin() + random() % choices.size());
    if (value)
        node.append_attribute(name) = value;
}

void addGeneratedExceptions(pugi::xml_node parent, std::minstd_rand& random, unsigned count)
{
    for (unsigned i = 0; i < count; ++i) {
        pugi::xml_node exception = parent.append_child("Except");
        setGenerated(exception, "nr", random, {"1", "2", "3", "4", nullptr});
        setGenerated(exception, "zel_alarm", random,
                     {"0012 - 06", "0013 - 01", "9999 - 08", "", "0", nullptr});
        setGenerated(exception, "zel_group", random, {"0021 - 02", "", nullptr, nullptr});
    }
}

// Link definitions with colliding keys, placeholders, missing attributes, nested elements
// and exceptions everywhere, always the same for one seed.
QByteArray generatedLinkDefs(unsigned seed, int locations)
{
    std::minstd_rand random(seed);
    pugi::xml_document dom;
    pugi::xml_node root = dom.append_child("ZelPOLinkDefs");
    pugi::xml_node parent = root.append_child("PO_Locations");
    for (int i = 0; i < locations; ++i) {
        // Now and then a link nested in the one before, as only a hand-made file has it.
        pugi::xml_node previous = parent.last_child();
        pugi::xml_node link =
            (previous && random() % 20 == 0 ? previous : parent).append_child("PO_loc");
        setGenerated(link, "pcu", random, {"P1", "P2", "P3", "-\\-", "", nullptr});
        setGenerated(link, "text", random, {"T1", "T2", "T3", "T4", "-\\-", "", nullptr});
        setGenerated(link, "zel_alarm", random, {"0012 - 05", "0013 - 01", "0", "", nullptr});
        setGenerated(link, "zel_group", random, {"0020 - 01", "", nullptr});
        addGeneratedExceptions(link, random, random() % 3);
    }
    addGeneratedExceptions(root.append_child("PO_Exceptions"), random, 6);
    std::ostringstream xml;
    dom.save(xml, "", pugi::format_raw);
    return QByteArray::fromStdString(xml.str());
}

} // namespace

class TstLinkDefs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void zelAlarmRef_data();
    void zelAlarmRef();
    void zelAlarmRefValue_data();
    void zelAlarmRefValue();
    void assignLink_data();
    void assignLink();
    void assignGeneralExceptionCreatesContainer();
    void removeLink_data();
    void removeLink();
    void lookupLink_data();
    void lookupLink();
    void lookupTableAnswersAsTheDocument_data();
    void lookupTableAnswersAsTheDocument();
    void lookupTableKeepsItsSnapshot();
    void allLinksAssigned_data();
    void allLinksAssigned();
    void documentWithoutContentStaysEmpty();
};

void TstLinkDefs::zelAlarmRef_data()
{
    QTest::addColumn<QByteArray>("ref");
    QTest::addColumn<bool>("assigned");
    QTest::newRow("formatted") << QByteArray::fromStdString(ZelAlarmRef{12, 5}.text()) << true;
    QTest::newRow("system alarm") << QByteArray::fromStdString(ZelAlarmRef{9999, 9}.text()) << true;
    QTest::newRow("just announced") << QByteArray("0") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("8 characters") << QByteArray("0012 - 5") << false;
    QTest::newRow("10 characters") << QByteArray("0012 - 055") << false;
    // 9 characters in 12 bytes: lengths count characters.
    QTest::newRow("non-ASCII characters") << QByteArray("\xc3\x84\xc3\x96\xc3\x9c"
                                                        "1 - 05")
                                          << true;
    QTest::newRow("9 bytes but 8 characters") << QByteArray("\xc3\xa9"
                                                            "12 - 05")
                                              << false;
}

void TstLinkDefs::zelAlarmRef()
{
    QFETCH(QByteArray, ref);
    QFETCH(bool, assigned);
    QCOMPARE(isAssignedZelRef(s(ref)), assigned);
}

void TstLinkDefs::zelAlarmRefValue_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("parses");
    QTest::addColumn<int>("location");
    QTest::addColumn<int>("alarm");
    QTest::newRow("written form") << QByteArray("0012 - 05") << true << 12 << 5;
    QTest::newRow("system alarm") << QByteArray("9999 - 09") << true << 9999 << 9;
    QTest::newRow("zeros") << QByteArray("0000 - 00") << true << 0 << 0;
    QTest::newRow("just announced") << QByteArray("0") << false << 0 << 0;
    QTest::newRow("empty") << QByteArray() << false << 0 << 0;
    QTest::newRow("short alarm") << QByteArray("0012 - 5") << false << 0 << 0;
    QTest::newRow("long alarm") << QByteArray("0012 - 055") << false << 0 << 0;
    QTest::newRow("letters") << QByteArray("00x2 - 05") << false << 0 << 0;
    QTest::newRow("sign") << QByteArray("+012 - 05") << false << 0 << 0;
    QTest::newRow("other separator") << QByteArray("0012 _ 05") << false << 0 << 0;
    QTest::newRow("non-ASCII") << QByteArray("\xc3\x84\xc3\x96\xc3\x9c"
                                             "1 - 05")
                               << false << 0 << 0;
}

void TstLinkDefs::zelAlarmRefValue()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, parses);
    QFETCH(int, location);
    QFETCH(int, alarm);
    const std::optional<ZelAlarmRef> ref = ZelAlarmRef::parse(s(text));
    QCOMPARE(ref.has_value(), parses);
    if (!ref)
        return;
    QCOMPARE(*ref, (ZelAlarmRef{location, alarm}));
    QCOMPARE(QByteArray::fromStdString(ref->text()), text); // the written form survives the trip
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
    // Empty and the placeholder are one key: the link is found however it was stored.
    QTest::newRow("empty text finds a location stored with empty text")
        << QByteArray("Pcu3") << none << none << QByteArray("//PO_loc[@pcu='Pcu3']") << 1;
    QTest::newRow("the placeholder finds a location stored with empty text")
        << QByteArray("Pcu3") << QByteArray("-\\-") << none << QByteArray("//PO_loc[@pcu='Pcu3']")
        << 1;
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
        << QByteArray("0013,01,0022,03,20");
    QTest::newRow("just announced location link")
        << fixture << QByteArray("Pcu2") << QByteArray("Kas 2") << QByteArray("1") << false
        << QByteArray();
    QTest::newRow("empty pcu and text match the placeholder")
        << fixture << QByteArray() << QByteArray() << QByteArray("1") << true
        << QByteArray("0013,01,,,20");
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
    // A hand-edited text of the right length but not in the written form names no ZEL alarm:
    // nothing of it may reach the wire.
    QTest::newRow("9 characters not in the written form: no definition")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc pcu='P' text='T' "
                      "zel_alarm='00x2 - 05' zel_group='0020 - 01'/></PO_Locations>"
                      "</ZelPOLinkDefs>")
        << QByteArray("P") << QByteArray("T") << QByteArray("1") << false << QByteArray();
    QTest::newRow("general exception not in the written form still decides: no definition")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc pcu='P' text='T' "
                      "zel_alarm='0012 - 05'/></PO_Locations><PO_Exceptions><Except nr='1' "
                      "zel_alarm='12 -- 0005'/></PO_Exceptions></ZelPOLinkDefs>")
        << QByteArray("P") << QByteArray("T") << QByteArray("1") << false << QByteArray();
    QTest::newRow("group of 9 characters not in the written form is no group")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc pcu='P' text='T' "
                      "zel_alarm='0012 - 05' zel_group='0020 -  1'/></PO_Locations>"
                      "</ZelPOLinkDefs>")
        << QByteArray("P") << QByteArray("T") << QByteArray("1") << true
        << QByteArray("0012,05,,,15");
    QTest::newRow("location link without zel_alarm attribute")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc pcu='P' text='T'/>"
                      "</PO_Locations></ZelPOLinkDefs>")
        << QByteArray("P") << QByteArray("T") << QByteArray("1") << false << QByteArray();

    // Precedence beyond the fixture; L is the location link P/T assigned 0012 - 05.
    const auto doc = [](const char* generalExceptions, const char* linkAttributes,
                        const char* linkChildren) -> QByteArray {
        return "<ZelPOLinkDefs><PO_Locations><PO_loc pcu='P' text='T' " +
               QByteArray(linkAttributes) + '>' + linkChildren +
               "</PO_loc></PO_Locations><PO_Exceptions>" + generalExceptions +
               "</PO_Exceptions></ZelPOLinkDefs>";
    };
    const QByteArray p("P");
    const QByteArray t("T");
    const QByteArray one("1");
    QTest::newRow("general exception with ZEL alarm 0 decides: nothing found")
        << doc("<Except nr='1' zel_alarm='0'/>", "zel_alarm='0012 - 05'", "") << p << t << one
        << false << QByteArray();
    QTest::newRow("general exception without zel_alarm attribute does not decide")
        << doc("<Except nr='1' zel_group='0022 - 03'/>", "zel_alarm='0012 - 05'", "") << p << t
        << one << true << QByteArray("0012,05,0022,03,15");
    QTest::newRow("location link with an empty zel_group drops the general group")
        << doc("<Except nr='1' zel_alarm='' zel_group='0022 - 03'/>",
               "zel_alarm='0012 - 05' zel_group=''", "")
        << p << t << one << true << QByteArray("0012,05,,,15");
    QTest::newRow("location exception without zel_group drops the general group")
        << doc("<Except nr='1' zel_alarm='' zel_group='0022 - 03'/>", "zel_alarm='0012 - 05'",
               "<Except nr='1' zel_alarm='0013 - 01'/>")
        << p << t << one << true << QByteArray("0013,01,,,20");
    QTest::newRow("location exception with its own group replaces the link's")
        << doc("", "zel_alarm='0012 - 05' zel_group='0020 - 01'",
               "<Except nr='1' zel_alarm='0013 - 01' zel_group='0021 - 02'/>")
        << p << t << one << true << QByteArray("0013,01,0021,02,20");
    QTest::newRow("location exception without zel_alarm attribute suppresses")
        << doc("", "zel_alarm='0012 - 05'", "<Except nr='1'/>") << p << t << one << false
        << QByteArray();
    QTest::newRow("exception for another alarm type leaves the link")
        << doc("<Except nr='2' zel_alarm='9999 - 08'/>", "zel_alarm='0012 - 05'",
               "<Except nr='2' zel_alarm=''/>")
        << p << t << one << true << QByteArray("0012,05,,,15");
    QTest::newRow("exception without nr is never found")
        << doc("<Except zel_alarm='9999 - 08'/>", "zel_alarm='0012 - 05'", "<Except zel_alarm=''/>")
        << p << t << QByteArray() << true << QByteArray("0012,05,,,15");

    // Of elements with one key the first in document order counts, as in a search.
    QTest::newRow("first of two general exceptions, although it does not decide")
        << doc("<Except nr='1' zel_alarm=''/><Except nr='1' zel_alarm='9999 - 08'/>",
               "zel_alarm='0012 - 05'", "")
        << p << t << one << true << QByteArray("0012,05,,,15");
    QTest::newRow("first of two location exceptions")
        << doc("", "zel_alarm='0012 - 05'",
               "<Except nr='1' zel_alarm=''/><Except nr='1' zel_alarm='0013 - 01'/>")
        << p << t << one << false << QByteArray();
    QTest::newRow("first of two location links; the second's exceptions stay hidden")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc pcu='P' text='T' "
                      "zel_alarm='0012 - 05'/><PO_loc pcu='P' text='T' zel_alarm='0013 - 01'>"
                      "<Except nr='1' zel_alarm='9999 - 08'/></PO_loc></PO_Locations>"
                      "</ZelPOLinkDefs>")
        << p << t << one << true << QByteArray("0012,05,,,15");
    QTest::newRow("a link nested in another is found, without the outer's exceptions")
        << doc("", "zel_alarm='0012 - 05'",
               "<Except nr='1' zel_alarm='0012 - 06'/>"
               "<PO_loc pcu='Q' text='T' zel_alarm='0013 - 01'/>")
        << QByteArray("Q") << t << one << true << QByteArray("0013,01,,,20");
    QTest::newRow("only the first location container counts")
        << QByteArray("<ZelPOLinkDefs><PO_Locations/><PO_Locations><PO_loc pcu='P' text='T' "
                      "zel_alarm='0012 - 05'/></PO_Locations></ZelPOLinkDefs>")
        << p << t << one << false << QByteArray();
    QTest::newRow("only the first general container counts")
        << QByteArray("<ZelPOLinkDefs><PO_Exceptions/><PO_Locations><PO_loc pcu='P' text='T' "
                      "zel_alarm='0012 - 05'/></PO_Locations><PO_Exceptions><Except nr='1' "
                      "zel_alarm='9999 - 08'/></PO_Exceptions></ZelPOLinkDefs>")
        << p << t << one << true << QByteArray("0012,05,,,15");

    // An absent key attribute never matches, not even an empty argument.
    // Absent, empty and the placeholder are one key value: "not given".
    QTest::newRow("link without text attribute, empty text")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc pcu='P' zel_alarm='0012 - 05'/>"
                      "</PO_Locations></ZelPOLinkDefs>")
        << p << QByteArray() << one << true << QByteArray("0012,05,,,15");
    QTest::newRow("link without pcu attribute, empty pcu")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc text='T' zel_alarm='0012 - 05'/>"
                      "</PO_Locations></ZelPOLinkDefs>")
        << QByteArray() << t << one << true << QByteArray("0012,05,,,15");
    QTest::newRow("link with an empty pcu is found by an empty pcu")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc pcu='' text='T' "
                      "zel_alarm='0012 - 05'/></PO_Locations></ZelPOLinkDefs>")
        << QByteArray() << t << one << true << QByteArray("0012,05,,,15");
    QTest::newRow("link with an empty pcu is found by the placeholder")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc pcu='' text='T' "
                      "zel_alarm='0012 - 05'/></PO_Locations></ZelPOLinkDefs>")
        << QByteArray("-\\-") << t << one << true << QByteArray("0012,05,,,15");
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
    const QByteArray expected = found ? target : QByteArrayLiteral("(none)");
    QCOMPARE(describe(LookupLink(*links, *zelDefs, s(pcu), s(text), s(nr))), expected);
    const LinkLookupTable table(*links);
    QCOMPARE(describe(LookupLink(table, *zelDefs, s(pcu), s(text), s(nr))), expected);
}

void TstLinkDefs::lookupTableAnswersAsTheDocument_data()
{
    QTest::addColumn<QByteArray>("linkDefs"); // empty: the fixture

    QTest::newRow("fixture") << QByteArray();
    QTest::newRow("duplicates, nesting, missing attributes")
        << QByteArray("<ZelPOLinkDefs><PO_Exceptions><Except nr='1' zel_group='0022 - 03'/>"
                      "<Except nr='2' zel_alarm='0'/><Except nr='3' zel_alarm='9999 - 08'>"
                      "<Except nr='4' zel_alarm='0013 - 01'/></Except></PO_Exceptions>"
                      "<PO_Locations><PO_loc pcu='P' text='T' zel_alarm='0012 - 05'>"
                      "<Except nr='1' zel_alarm='0012 - 06'><Except nr='5'/></Except>"
                      "<PO_loc pcu='P' text='U' zel_alarm='0013 - 01' zel_group=''/></PO_loc>"
                      "<PO_loc pcu='P' text='T' zel_alarm='0013 - 01'><Except nr='2'/></PO_loc>"
                      "<PO_loc pcu='-\\-' text='' zel_alarm='0012 - 05'/><PO_loc text='-\\-'/>"
                      "<PO_loc pcu='' text='-\\-' zel_alarm='0013 - 01' zel_group='0020 - 01'/>"
                      "</PO_Locations><PO_Locations><PO_loc pcu='Z' text='Z' "
                      "zel_alarm='0012 - 05'/></PO_Locations></ZelPOLinkDefs>");
    QTest::newRow("generated, 300 locations") << generatedLinkDefs(7, 300);
    QTest::newRow("generated, other seed") << generatedLinkDefs(2024, 300);
}

void TstLinkDefs::lookupTableAnswersAsTheDocument()
{
    QFETCH(QByteArray, linkDefs);
    const auto links = linkDefs.isEmpty() ? LoadFixture("linkdefs.xml") : ParseDocument(linkDefs);
    const auto zelDefs = LoadFixture("zeldefs.xml");
    QVERIFY(links->hasContent());
    const LinkLookupTable table(*links);
    int found = 0;
    int notFound = 0;
    for (const LinkQuery& q : queriesFor(links->dom())) {
        const std::optional<LinkTarget> expected =
            LookupLink(*links, *zelDefs, q.pcu, q.text, q.nr);
        ++(expected ? found : notFound);
        QCOMPARE(answered(q, LookupLink(table, *zelDefs, q.pcu, q.text, q.nr)),
                 answered(q, expected));
    }
    // Both outcomes occur, or the comparison would prove little.
    QVERIFY(found > 0);
    QVERIFY(notFound > 0);
}

// The operator may edit or delete elements while a table exists: it keeps answering as the
// document did when it was made, also once the document is gone.
void TstLinkDefs::lookupTableKeepsItsSnapshot()
{
    auto links = LoadFixture("linkdefs.xml");
    const auto zelDefs = LoadFixture("zeldefs.xml");
    const LinkLookupTable table(*links);
    const std::vector<LinkQuery> queries = queriesFor(links->dom());
    std::vector<QByteArray> before;
    for (const LinkQuery& q : queries)
        before.push_back(answered(q, LookupLink(*links, *zelDefs, q.pcu, q.text, q.nr)));

    AssignLink(*links, "Pcu1", "Kas 1", "0013 - 01", "", "", "");
    AssignLink(*links, "Pcu3", "", "0012 - 05", "1", "", "0020 - 01");
    RemoveLink(*links, "--", "", "9");
    RemoveLink(*links, "", "", "");
    int changed = 0;
    for (std::size_t i = 0; i < queries.size(); ++i) {
        const LinkQuery& q = queries[i];
        changed += answered(q, LookupLink(*links, *zelDefs, q.pcu, q.text, q.nr)) != before[i];
        QCOMPARE(answered(q, LookupLink(table, *zelDefs, q.pcu, q.text, q.nr)), before[i]);
    }
    QVERIFY(changed > 0);

    links.reset();
    for (std::size_t i = 0; i < queries.size(); ++i) {
        const LinkQuery& q = queries[i];
        QCOMPARE(answered(q, LookupLink(table, *zelDefs, q.pcu, q.text, q.nr)), before[i]);
    }
}

void TstLinkDefs::allLinksAssigned_data()
{
    QTest::addColumn<QByteArray>("linkDefs"); // empty: the fixture
    QTest::addColumn<bool>("assigned");
    QTest::addColumn<int>("unlinked"); // what the window counts for the operator

    QTest::newRow("fixture has a just announced location") << QByteArray() << false << 3;
    QTest::newRow("no containers") << QByteArray("<ZelPOLinkDefs/>") << true << 0;
    QTest::newRow("empty containers")
        << QByteArray("<ZelPOLinkDefs><PO_Locations/><PO_Exceptions/></ZelPOLinkDefs>") << true
        << 0;
    QTest::newRow("another root") << QByteArray("<ZelAlarmDefinitions/>") << false << 0;
    QTest::newRow("everything assigned")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc zel_alarm='0012 - 05'>"
                      "<Except nr='1' zel_alarm='0012 - 06'/></PO_loc></PO_Locations>"
                      "<PO_Exceptions><Except nr='2' zel_alarm='9999 - 08'/></PO_Exceptions>"
                      "</ZelPOLinkDefs>")
        << true << 0;
    QTest::newRow("suppressing location exception counts as undefined")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc zel_alarm='0012 - 05'>"
                      "<Except nr='1' zel_alarm=''/></PO_loc></PO_Locations></ZelPOLinkDefs>")
        << false << 1;
    QTest::newRow("general exception without zel_alarm")
        << QByteArray("<ZelPOLinkDefs><PO_Exceptions><Except nr='2' zel_group='0020 - 01'/>"
                      "</PO_Exceptions></ZelPOLinkDefs>")
        << false << 1;
    QTest::newRow("reference of 10 characters")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc zel_alarm='0012 - 055'/>"
                      "</PO_Locations></ZelPOLinkDefs>")
        << false << 1;
    QTest::newRow("9 characters not in the written form forward nothing")
        << QByteArray("<ZelPOLinkDefs><PO_Locations><PO_loc zel_alarm='0012 - 05'>"
                      "<Except nr='1' zel_alarm='abcd - ef'/></PO_loc></PO_Locations>"
                      "</ZelPOLinkDefs>")
        << false << 1;
}

void TstLinkDefs::allLinksAssigned()
{
    QFETCH(QByteArray, linkDefs);
    QFETCH(bool, assigned);
    const auto doc = linkDefs.isEmpty() ? LoadFixture("linkdefs.xml") : ParseDocument(linkDefs);
    QVERIFY(doc->hasContent());
    QCOMPARE(AllLinksAssigned(*doc), assigned);
    QFETCH(int, unlinked);
    QCOMPARE(UnlinkedCount(*doc), unlinked);
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
