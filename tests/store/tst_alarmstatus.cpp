#include "EncodingRows.h"
#include "XmlDump.h"
#include "core/Clock.h"
#include "store/AlarmStatus.h"
#include "store/XmlParseError.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <iterator>

namespace {

// The clock stands at 2024-03-01 10:00:00 UTC during every merge.
const QDateTime kNow(QDate(2024, 3, 1), QTime(10, 0), Qt::UTC);
constexpr char kNowText[] = "20240301T100000";

std::unique_ptr<XmlDocument> statusWith(const QByteArray& entries)
{
    return ParseDocument("<POAlarmStatus>" + entries + "</POAlarmStatus>");
}

QString entries(std::initializer_list<const char*> lines)
{
    QStringList list;
    for (const char* line : lines)
        list << QString::fromUtf8(line);
    return list.join(u';');
}

} // namespace

class TstAlarmStatus : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void merge_data();
    void merge();
    void mergeOfMalformedAnswerChangesNothing();
    void mergeReadsAnswerInItsDeclaredEncoding();
    void mergeDecodesAnswer_data();
    void mergeDecodesAnswer();
    void mergedAnswerSurvivesSaveAndReload_data();
    void mergedAnswerSurvivesSaveAndReload();
    void purge_data();
    void purge();
    void findEntries();
};

void TstAlarmStatus::merge_data()
{
    QTest::addColumn<QByteArray>("status"); // children of the root
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("merged");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty answer returns every active alarm")
        << QByteArray("<Alarm pcu='P' location='L1' nr='1' text='a' start='20240301T090000' "
                      "State='A' Sent='20240301T090000'/>"
                      "<Alarm pcu='P' location='L2' nr='2' text='b' start='20240301T091000' "
                      "State='A' Sent=''/>"
                      "<Alarm pcu='P' location='L3' nr='3' text='c' start='20240301T091508' "
                      "State='R' Sent='20240301T091500'/>"
                      "<Alarm pcu='P' location='L4' nr='4' text='d' start='20240301T092000' "
                      "State='A'/>"
                      "<Group ZelAlarm='0020 - 01' State='A' Timeout='20240301T090000'/>")
        << QByteArray("<active-alarms/>") << true
        << entries({"Alarm(pcu=P|location=L1|nr=1|text=a|start=20240301T090008|State=R|"
                    "Sent=20240301T090000)",
                    "Alarm(pcu=P|location=L2|nr=2|text=b|start=18991230T000008|State=R|Sent=)",
                    "Alarm(pcu=P|location=L3|nr=3|text=c|start=20240301T091508|State=R|"
                    "Sent=20240301T091500)",
                    "Alarm(pcu=P|location=L4|nr=4|text=d|start=20240301T100000|State=R)",
                    "Group(ZelAlarm=0020 - 01|State=A|Timeout=20240301T090000)"});
    QTest::newRow("new alarms appended with every attribute, element names not examined")
        << QByteArray()
        << QByteArray("<active-alarms><alarm pcu='Pcu1' location='Kas 3' nr='7' "
                      "text='Temp. te hoog' start='20240301T095900'/>"
                      "<x pcu='Pcu2' location='Kas 4' nr='8'/></active-alarms>")
        << true
        << entries({"Alarm(pcu=Pcu1|location=Kas 3|nr=7|text=Temp. te hoog|"
                    "start=20240301T095900|State=A|Sent=)",
                    "Alarm(pcu=Pcu2|location=Kas 4|nr=8|text=|start=20240301T100000|State=A|"
                    "Sent=)"});
    QTest::newRow("still active keeps its start, takes the new text")
        << QByteArray("<Alarm pcu='P' location='L' nr='1' text='old' start='20240301T090000' "
                      "State='A' Sent='20240301T090000'/>")
        << QByteArray("<active-alarms><a pcu='P' location='L' nr='1' text='new' "
                      "start='20240301T090000'/></active-alarms>")
        << true
        << entries({"Alarm(pcu=P|location=L|nr=1|text=new|start=20240301T090000|State=A|"
                    "Sent=20240301T090000)"});
    QTest::newRow("still active, reported with another start, takes that start")
        << QByteArray("<Alarm pcu='P' location='L' nr='1' text='t' start='20240301T090000' "
                      "State='A' Sent='20240301T090000'/>")
        << QByteArray("<active-alarms><a pcu='P' location='L' nr='1' text='t' "
                      "start='20240301T093000'/></active-alarms>")
        << true
        << entries({"Alarm(pcu=P|location=L|nr=1|text=t|start=20240301T093000|State=A|"
                    "Sent=20240301T090000)"});
    QTest::newRow("active again after its return takes the new start")
        << QByteArray("<Alarm pcu='P' location='L' nr='1' text='t' start='20240301T090008' "
                      "State='R' Sent='20240301T090008'/>")
        << QByteArray("<active-alarms><a pcu='P' location='L' nr='1' text='t' "
                      "start='20240301T095000'/></active-alarms>")
        << true
        << entries({"Alarm(pcu=P|location=L|nr=1|text=t|start=20240301T095000|State=A|"
                    "Sent=20240301T090008)"});
    QTest::newRow("missing key parts are the placeholder; without start it stays Sent + 8 s")
        << QByteArray("<Alarm pcu='-\\-' location='-\\-' nr='-\\-' text='old' "
                      "start='20240301T090008' State='A' Sent='20240301T090000'/>")
        << QByteArray("<active-alarms><a text='new'/></active-alarms>") << true
        << entries({"Alarm(pcu=-\\-|location=-\\-|nr=-\\-|text=new|start=20240301T090008|"
                    "State=A|Sent=20240301T090000)"});
    QTest::newRow("empty key parts stay empty, apart from missing ones")
        << QByteArray()
        << QByteArray("<active-alarms><a pcu='' location='' nr='3' text='t' "
                      "start='20240301T090000'/></active-alarms>")
        << true
        << entries({"Alarm(pcu=|location=|nr=3|text=t|start=20240301T090000|State=A|Sent=)"});
    QTest::newRow("same alarm twice in one answer: one entry, the second report wins")
        << QByteArray()
        << QByteArray("<active-alarms><a pcu='P' location='L' nr='1' text='first' "
                      "start='20240301T090000'/><a pcu='P' location='L' nr='1' text='second' "
                      "start='20240301T091000'/></active-alarms>")
        << true
        << entries({"Alarm(pcu=P|location=L|nr=1|text=second|start=20240301T091000|State=A|"
                    "Sent=)"});
    QTest::newRow("of two entries with one key only the first is merged")
        << QByteArray("<Alarm pcu='P' location='L' nr='1' text='a' start='20240301T090000' "
                      "State='R' Sent='20240301T090000'/>"
                      "<Alarm pcu='P' location='L' nr='1' text='b' start='20240301T080000' "
                      "State='R' Sent='20240301T080000'/>")
        << QByteArray("<active-alarms><a pcu='P' location='L' nr='1' text='c' "
                      "start='20240301T095000'/></active-alarms>")
        << true
        << entries({"Alarm(pcu=P|location=L|nr=1|text=c|start=20240301T095000|State=A|"
                    "Sent=20240301T090000)",
                    "Alarm(pcu=P|location=L|nr=1|text=b|start=20240301T080000|State=R|"
                    "Sent=20240301T080000)"});
    QTest::newRow("an entry without a key attribute is never found")
        << QByteArray("<Alarm location='L' nr='1' text='t' start='20240301T090000' State='R' "
                      "Sent='20240301T090000'/>")
        << QByteArray("<active-alarms><a location='L' nr='1' start='20240301T095000'/>"
                      "</active-alarms>")
        << true
        << entries({"Alarm(location=L|nr=1|text=t|start=20240301T090000|State=R|"
                    "Sent=20240301T090000)",
                    "Alarm(pcu=-\\-|location=L|nr=1|text=|start=20240301T095000|State=A|"
                    "Sent=)"});
    QTest::newRow("text between the alarms is no alarm")
        << QByteArray()
        << QByteArray("<active-alarms>noise<a pcu='P' location='L' nr='1' "
                      "start='20240301T095000'/>more</active-alarms>")
        << true
        << entries({"Alarm(pcu=P|location=L|nr=1|text=|start=20240301T095000|State=A|Sent=)"});
    QTest::newRow("hand-made entries without start or Sent")
        << QByteArray("<Alarm pcu='P' location='L1' nr='1' State='A'/>"
                      "<Alarm pcu='P' location='L2' nr='2' State='A' Sent='20240301T090000'/>"
                      "<Alarm pcu='P' location='L3' nr='3' State='R'/>")
        << QByteArray("<active-alarms><a pcu='P' location='L2' nr='2' start='20240301T095000'/>"
                      "<a pcu='P' location='L3' nr='3'/></active-alarms>")
        << true
        << entries({"Alarm(pcu=P|location=L1|nr=1|State=R|start=20240301T100000)",
                    "Alarm(pcu=P|location=L2|nr=2|State=A|Sent=20240301T090000|"
                    "start=20240301T095000|text=)",
                    "Alarm(pcu=P|location=L3|nr=3|State=A|text=)"});
    QTest::newRow("another root still returns every active alarm")
        << QByteArray("<Alarm pcu='P' location='L' nr='1' text='t' start='20240301T090000' "
                      "State='A' Sent='20240301T090000'/>")
        << QByteArray("<alarms><a pcu='P' location='L' nr='1' start='20240301T090000'/>"
                      "<a pcu='Q' location='L' nr='1'/></alarms>")
        << false
        << entries({"Alarm(pcu=P|location=L|nr=1|text=t|start=20240301T090008|State=R|"
                    "Sent=20240301T090000)"});
}

void TstAlarmStatus::merge()
{
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, answer);
    QFETCH(bool, merged);
    QFETCH(QString, expected);

    ManualClock clock(kNow);
    ScopedClock installed(&clock);
    const auto doc = statusWith(status);
    QVERIFY(doc->hasContent());
    QCOMPARE(MergeActiveAlarms(*doc, answer.toStdString()), merged);
    QCOMPARE(DumpChildren(doc->root()), expected);
}

void TstAlarmStatus::mergeOfMalformedAnswerChangesNothing()
{
    const auto doc = statusWith("<Alarm pcu='P' location='L' nr='1' text='t' "
                                "start='20240301T090000' State='A' Sent='20240301T090000'/>");
    const QString before = DumpNode(doc->root());
    QVERIFY_THROWS_EXCEPTION(XmlParseError,
                             MergeActiveAlarms(*doc, "<active-alarms><a pcu='P'></active-alarms>"));
    QVERIFY_THROWS_EXCEPTION(XmlParseError, MergeActiveAlarms(*doc, "no XML at all"));
    QCOMPARE(DumpNode(doc->root()), before);
}

void TstAlarmStatus::mergeReadsAnswerInItsDeclaredEncoding()
{
    ManualClock clock(kNow);
    ScopedClock installed(&clock);
    const auto doc = statusWith({});
    const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
                               "<active-alarms><a pcu='P' location='Kas \xe9\xe9n' nr='1'/>"
                               "</active-alarms>";
    QVERIFY(MergeActiveAlarms(*doc, latin1));
    QCOMPARE(
        findAlarmEntry(doc->root(), "P", "Kas \xc3\xa9\xc3\xa9n", "1").attribute("start").value(),
        kNowText);
}

void TstAlarmStatus::mergeDecodesAnswer_data()
{
    addEncodingRows();
}

// The text of an alarm arrives as the server encoded it and is kept as UTF-8; an answer that
// cannot be decoded changes nothing, like any other that cannot be parsed.
void TstAlarmStatus::mergeDecodesAnswer()
{
    QFETCH(QByteArray, prolog);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, expected);
    QFETCH(bool, decodes);
    ManualClock clock(kNow);
    ScopedClock installed(&clock);

    const auto doc = statusWith("<Alarm pcu='Q' location='L' nr='1' text='t' "
                                "start='20240301T090000' State='A' Sent='20240301T090000'/>");
    const QByteArray answer = prolog + "<active-alarms><a pcu='P' location='L' nr='1' text='" +
                              value + "' start='20240301T095000'/></active-alarms>";
    if (!decodes) {
        const QString before = DumpNode(doc->root());
        QVERIFY_THROWS_EXCEPTION(XmlParseError, MergeActiveAlarms(*doc, answer.toStdString()));
        QCOMPARE(DumpNode(doc->root()), before);
        return;
    }
    QVERIFY(MergeActiveAlarms(*doc, answer.toStdString()));
    const pugi::xml_node entry = findAlarmEntry(doc->root(), "P", "L", "1");
    QCOMPARE(QByteArray(entry.attribute("text").value()), expected);
    QCOMPARE(entry.attribute("State").value(), "A");
}

void TstAlarmStatus::mergedAnswerSurvivesSaveAndReload_data()
{
    QTest::addColumn<QByteArray>("prolog");
    QTest::addColumn<QByteArray>("reported"); // attributes of the one alarm of the answer
    QTest::addColumn<QByteArray>("written");  // in the saved Alarm element
    QTest::addColumn<QByteArrayList>("key");  // pcu, location, nr after reloading, UTF-8
    QTest::addColumn<QByteArray>("text");

    const QByteArray replacement = "\xef\xbf\xbd";
    QTest::newRow("euro sign as a character reference")
        << QByteArray() << QByteArray("pcu='P' location='L' nr='1' text='\xe2\x82\xac 5'")
        << QByteArray("pcu=\"P\" location=\"L\" nr=\"1\" text=\"&#8364; 5\"")
        << QByteArrayList{"P", "L", "1"} << QByteArray("\xe2\x82\xac 5");
    // The overlong form of NUL once reached the file as a raw 0x00, and the next load failed.
    // Without a declaration these bytes are no UTF-8, so they read as ISO-8859-1.
    QTest::newRow("overlong NUL, no declaration")
        << QByteArray() << QByteArray("pcu='\xc0\x80'")
        << QByteArray("pcu=\"\xc0\x80\" location=\"-\\-\" nr=\"-\\-\" text=\"\"")
        << QByteArrayList{"\xc3\x80\xc2\x80", "-\\-", "-\\-"} << QByteArray();
    QTest::newRow("overlong NUL, declared UTF-8")
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") << QByteArray("pcu='\xc0\x80'")
        << QByteArray("pcu=\"&#65533;&#65533;\" location=\"-\\-\" nr=\"-\\-\" text=\"\"")
        << QByteArrayList{replacement + replacement, "-\\-", "-\\-"} << QByteArray();
}

void TstAlarmStatus::mergedAnswerSurvivesSaveAndReload()
{
    QFETCH(QByteArray, prolog);
    QFETCH(QByteArray, reported);
    QFETCH(QByteArray, written);
    QFETCH(QByteArrayList, key);
    QFETCH(QByteArray, text);
    ManualClock clock(kNow);
    ScopedClock installed(&clock);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("AlarmStatus.xml"));

    XmlDocumentHandle status;
    QVERIFY(OpenXmlDocument(status, path, "POAlarmStatus"));
    const QByteArray answer = prolog + "<active-alarms><m " + reported + "/></active-alarms>";
    QVERIFY(MergeActiveAlarms(*status, answer.toStdString()));
    QVERIFY(SaveXmlDocument(status, path));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(!bytes.contains('\0'));
    QVERIFY2(bytes.contains(QByteArray("<Alarm " + written)), bytes.constData());

    XmlDocumentHandle reloaded;
    QVERIFY(OpenXmlDocument(reloaded, path, "POAlarmStatus"));
    const pugi::xml_node entry = findAlarmEntry(reloaded->root(), key[0].toStdString(),
                                                key[1].toStdString(), key[2].toStdString());
    QVERIFY(entry);
    QCOMPARE(QByteArray(entry.attribute("text").value()), text);
}

void TstAlarmStatus::purge_data()
{
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QString>("expected");

    QTest::newRow("R, R, A, R leaves the A")
        << QByteArray("<POAlarmStatus><Alarm nr='1' State='R'/><Alarm nr='2' State='R'/>"
                      "<Alarm nr='3' State='A'/><Alarm nr='4' State='R'/></POAlarmStatus>")
        << QStringLiteral("Alarm(nr=3|State=A)");
    QTest::newRow("groups alike; entries without State stay")
        << QByteArray("<POAlarmStatus><Group ZelAlarm='0020 - 01' State='R'/><Alarm nr='1'/>"
                      "<Group ZelAlarm='0020 - 02' State='A'/><Alarm nr='2' State='r'/>"
                      "</POAlarmStatus>")
        << QStringLiteral("Alarm(nr=1);Group(ZelAlarm=0020 - 02|State=A);Alarm(nr=2|State=r)");
    QTest::newRow("another root is left alone")
        << QByteArray("<Status><Alarm nr='1' State='R'/></Status>")
        << QStringLiteral("Alarm(nr=1|State=R)");
}

void TstAlarmStatus::purge()
{
    QFETCH(QByteArray, status);
    QFETCH(QString, expected);
    const auto doc = ParseDocument(status);
    const auto children = [&doc] {
        const auto range = doc->root().children();
        return int(std::distance(range.begin(), range.end()));
    };
    const int before = children();
    const int removed = PurgeReturnedAlarms(*doc);
    QCOMPARE(DumpChildren(doc->root()), expected);
    // The count tells the caller whether the document changed and must be saved.
    QCOMPARE(removed, before - children());
}

void TstAlarmStatus::findEntries()
{
    const auto doc = statusWith("<Group ZelAlarm='0020 - 01' State='A'/>"
                                "<Alarm pcu='P' location='L' nr='1' State='R'/>"
                                "<Alarm pcu='P' location='L' nr='1' State='A'/>"
                                "<Group ZelAlarm='0020 - 01' State='R'/>");
    QCOMPARE(findAlarmEntry(doc->root(), "P", "L", "1").attribute("State").value(), "R");
    QVERIFY(!findAlarmEntry(doc->root(), "P", "L", "01"));
    QCOMPARE(findGroupEntry(doc->root(), "0020 - 01").attribute("State").value(), "A");
    QVERIFY(!findGroupEntry(doc->root(), "0020 - 02"));
}

QTEST_GUILESS_MAIN(TstAlarmStatus)
#include "tst_alarmstatus.moc"
