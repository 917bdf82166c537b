#include "EngineHarness.h"
#include "ForwardingFixtures.h"

#include <QTest>

using namespace ForwardingFixtures;

// What reaches ZelMeld from the ZEL references and numbers the files hold: the written form
// goes on the wire as two numbers, and a text that is no reference (a hand edit) never does.
class TstStoredReferences : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void linkReference_data();
    void linkReference();
    void groupEntryCode_data();
    void groupEntryCode();
    void groupRepeat_data();
    void groupRepeat();
};

namespace {

QByteArray oneLink(const QByteArray& zelAlarm, const QByteArray& zelGroup)
{
    return R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<ZelPOLinkDefs>
	<PO_Locations>
		<PO_loc pcu="Pcu1" text="Kas 3" zel_alarm=")" +
           zelAlarm + R"(" zel_group=")" + zelGroup + R"(" />
	</PO_Locations>
</ZelPOLinkDefs>
)";
}

// A status document holding one group entry that is due and not sent yet, with the member
// that keeps it active.
QByteArray dueGroup(const QByteArray& code, const QByteArray& repeat)
{
    return R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<POAlarmStatus>
	<Alarm pcu="Pcu1" location="Kas 3" nr="1" text="Temp. te hoog" start="20261209T095900" State="A" Sent="20261209T095900" SentTo="0012 - 03" Group=")" +
           code + R"(" />
	<Group ZelAlarm=")" +
           code + R"(" Timeout="20261209T095900" repeat=")" + repeat +
           R"(" Text="Kas 3 hoog" State="A" />
</POAlarmStatus>
)";
}

} // namespace

void TstStoredReferences::linkReference_data()
{
    QTest::addColumn<QByteArray>("zelAlarm");
    QTest::addColumn<QByteArray>("zelGroup");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("noDefinitionLogs");

    const QString preAlarm = line("[ZEL RCVALARM 02,0012,03,T,,PreAlarm: Pcu1 Kas 3 Temp te hoog]");
    QTest::newRow("written form with a group")
        << QByteArray("0012 - 03") << QByteArray("0020 - 01") << QStringList{preAlarm} << 0;
    QTest::newRow("ZEL alarm with a letter: no definition")
        << QByteArray("00x2 - 03") << QByteArray() << QStringList{kConfigurationAlarm} << 1;
    QTest::newRow("ZEL alarm with a sign: no definition")
        << QByteArray("+012 - 03") << QByteArray("0020 - 01") << QStringList{kConfigurationAlarm}
        << 1;
    QTest::newRow("group with a blank for a digit is no group")
        << QByteArray("0012 - 03") << QByteArray("0020 -  1") << QStringList{kAlarmKas3} << 0;
}

// The file keeps the text as it was written; only the forwarding reads it as no reference.
void TstStoredReferences::linkReference()
{
    QFETCH(QByteArray, zelAlarm);
    QFETCH(QByteArray, zelGroup);
    QFETCH(QStringList, lines);
    QFETCH(int, noDefinitionLogs);
    EngineHarness h;
    h.writeLinkDefs(oneLink(zelAlarm, zelGroup));
    h.writeZelDefs(zelDefs(60, 0));
    h.setAlarms(kOneAlarm);
    QVERIFY(h.start());

    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QVERIFY(h.waitForDelivery());
    QCOMPARE(h.alarmLines(), lines);
    QCOMPARE(h.logCount("No definition found for alarm: Kas 3, 1"), noDefinitionLogs);
    const QByteArray links = h.readPoData("LinkDefs.xml");
    QCOMPARE(xmlAttribute(links, "//PO_loc[@text='Kas 3']", "zel_alarm"),
             QString::fromLatin1(zelAlarm));
    QCOMPARE(xmlAttribute(links, "//PO_loc[@text='Kas 3']", "zel_group"),
             QString::fromLatin1(zelGroup));
}

void TstStoredReferences::groupEntryCode_data()
{
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("skipLog"); // empty: none

    QTest::newRow("written form") << QByteArray("0020 - 01")
                                  << QStringList{line("[ZEL RCVALARM 02,0020,01,T,,Kas 3 hoog]")}
                                  << QByteArray();
    QTest::newRow("smallest codes")
        << QByteArray("0001 - 00") << QStringList{line("[ZEL RCVALARM 02,0001,00,T,,Kas 3 hoog]")}
        << QByteArray();
    QTest::newRow("letter in the location")
        << QByteArray("00x0 - 01") << QStringList()
        << QByteArray("Alarm status entry 2 skipped: invalid group code \"00x0 - 01\"");
    QTest::newRow("short location")
        << QByteArray("20 - 01") << QStringList()
        << QByteArray("Alarm status entry 2 skipped: invalid group code \"20 - 01\"");
}

// A group entry's code goes on the wire as its two numbers; one that is no reference cannot,
// and the entry is passed by with a word in the log instead.
void TstStoredReferences::groupEntryCode()
{
    QFETCH(QByteArray, code);
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, skipLog);
    EngineHarness h;
    h.writeLinkDefs(linkDefs("0020 - 01"));
    h.writeZelDefs(zelDefs(0, 0));
    h.writeAlarmStatus(dueGroup(code, "0"));
    h.setAlarms(kOneAlarm);
    QVERIFY(h.start());

    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QVERIFY(h.waitForDelivery());
    QCOMPARE(h.alarmLines(), lines);
    if (!skipLog.isEmpty())
        QCOMPARE(h.logCount(skipLog), 1);
}

void TstStoredReferences::groupRepeat_data()
{
    QTest::addColumn<QByteArray>("repeat");
    QTest::addColumn<QString>("repeatAt");
    QTest::addColumn<int>("invalidLogs");

    // The group is accepted at 10:00:10.
    QTest::newRow("whole number") << QByteArray("15") << line("20261209T101510") << 0;
    QTest::newRow("empty: none") << QByteArray() << QString() << 0;
    QTest::newRow("digits then letters: none, said so") << QByteArray("15x") << QString() << 1;
    QTest::newRow("blank inside: none, said so") << QByteArray("1 5") << QString() << 1;
}

// A group's stored repeat is read whole or not at all: a damaged one repeats nothing and is
// reported, rather than read as far as its digits go.
void TstStoredReferences::groupRepeat()
{
    QFETCH(QByteArray, repeat);
    QFETCH(QString, repeatAt);
    QFETCH(int, invalidLogs);
    EngineHarness h;
    h.writeLinkDefs(linkDefs("0020 - 01"));
    h.writeZelDefs(zelDefs(0, 0));
    h.writeAlarmStatus(dueGroup("0020 - 01", repeat));
    h.setAlarms(kOneAlarm);
    QVERIFY(h.start());

    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.linesStartingWith(QStringLiteral("[ZEL RCVALARM 02,0020,01")).size(), 1);
    QCOMPARE(statusAttribute(h.readPoData("AlarmStatus.xml"), "Group", "ZelAlarm", "0020 - 01",
                             "repeat_at"),
             repeatAt);
    QCOMPARE(h.logCount("Invalid repeat \"" + repeat + "\" of group 0020 - 01, not repeated"),
             invalidLogs);
}

QTEST_GUILESS_MAIN(TstStoredReferences)
#include "tst_storedreferences.moc"
