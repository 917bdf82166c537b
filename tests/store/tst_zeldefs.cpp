#include "XmlDump.h"
#include "store/ZelDefs.h"

#include <QTest>

class TstZelDefs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lookedUpCodes_data();
    void lookedUpCodes();
    void lookups_data();
    void lookups();
    void deletedAlarmNoLongerExists();
    void documentWithoutContentFindsNothing();
};

// The location and alarm codes a lookup searches for: those of the reference, or 0 and 0 for
// a text that is none.
void TstZelDefs::lookedUpCodes_data()
{
    QTest::addColumn<QByteArray>("ref");
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<QByteArray>("alarm");
    QTest::newRow("leading zeros removed")
        << QByteArray("0012 - 05") << QByteArray("12") << QByteArray("5");
    QTest::newRow("largest codes")
        << QByteArray("9999 - 99") << QByteArray("9999") << QByteArray("99");
    QTest::newRow("zeros stay a number")
        << QByteArray("0000 - 00") << QByteArray("0") << QByteArray("0");
    QTest::newRow("separator at position 3")
        << QByteArray("12 - 05") << QByteArray("0") << QByteArray("0");
    QTest::newRow("empty") << QByteArray() << QByteArray("0") << QByteArray("0");
    QTest::newRow("no blanks around hyphen")
        << QByteArray("0012-05") << QByteArray("0") << QByteArray("0");
    QTest::newRow("separator after nine characters")
        << QByteArray("001200123 - 05") << QByteArray("0") << QByteArray("0");
    QTest::newRow("only the first separator counts")
        << QByteArray("x - 0012 - 05") << QByteArray("0") << QByteArray("0");
    QTest::newRow("text after the alarm digits makes no reference")
        << QByteArray("0012 - 05 - 07") << QByteArray("0") << QByteArray("0");
    QTest::newRow("one alarm digit makes no reference")
        << QByteArray("0012 - 5") << QByteArray("0") << QByteArray("0");
    QTest::newRow("nothing after the separator")
        << QByteArray("0012 - ") << QByteArray("0") << QByteArray("0");
    QTest::newRow("letter in the alarm")
        << QByteArray("0012 - 5x") << QByteArray("0") << QByteArray("0");
    QTest::newRow("letter in the location")
        << QByteArray("00a2 - 05") << QByteArray("0") << QByteArray("0");
    QTest::newRow("non-ASCII before the separator") << QByteArray("\xc3\xa9"
                                                                  "12 - 05")
                                                    << QByteArray("0") << QByteArray("0");
}

void TstZelDefs::lookedUpCodes()
{
    QFETCH(QByteArray, ref);
    QFETCH(QByteArray, location);
    QFETCH(QByteArray, alarm);
    const ZelAlarmRef codes = ZelAlarmRef::parse(ref.toStdString()).value_or(ZelAlarmRef{});
    QCOMPARE(QByteArray::number(codes.location), location);
    QCOMPARE(QByteArray::number(codes.alarm), alarm);
}

void TstZelDefs::lookups_data()
{
    QTest::addColumn<QByteArray>("ref");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("groupDelay");
    QTest::addColumn<int>("repeat");
    QTest::newRow("both values") << QByteArray("0012 - 05") << true << 60 << 15;
    QTest::newRow("largest values") << QByteArray("9999 - 08") << true << 3600 << 5;
    QTest::newRow("values are letters") << QByteArray("0012 - 06") << true << 0 << 0;
    QTest::newRow("values absent") << QByteArray("0012 - 07") << true << 0 << 0;
    QTest::newRow("values with blanks are no integers")
        << QByteArray("0012 - 09") << true << 0 << 0;
    QTest::newRow("location exists, alarm does not") << QByteArray("0012 - 08") << false << 0 << 0;
    QTest::newRow("location does not exist") << QByteArray("0014 - 01") << false << 0 << 0;
    // Codes are numbers: 012 is location 12, but the earlier 12 is the one found, and it has
    // no alarm 1.
    QTest::newRow("location 012 is hidden behind the earlier 12")
        << QByteArray("0012 - 01") << false << 0 << 0;
    QTest::newRow("alarm code 01 is alarm 1, the first of the two")
        << QByteArray("0013 - 01") << true << 0 << 20;
    QTest::newRow("malformed reference finds location 0, alarm 0")
        << QByteArray("12 - 05") << true << 9 << 3;
    QTest::newRow("empty reference finds location 0, alarm 0") << QByteArray() << true << 9 << 3;
}

void TstZelDefs::lookups()
{
    QFETCH(QByteArray, ref);
    QFETCH(bool, exists);
    QFETCH(int, groupDelay);
    QFETCH(int, repeat);
    const auto doc = LoadFixture("zeldefs.xml");
    QVERIFY(doc->hasContent());
    QCOMPARE(ZelAlarmExists(*doc, ref.toStdString()), exists);
    QCOMPARE(GetGroupDelay(*doc, ref.toStdString()), groupDelay);
    QCOMPARE(GetRepeat(*doc, ref.toStdString()), repeat);
}

void TstZelDefs::deletedAlarmNoLongerExists()
{
    const auto doc = LoadFixture("zeldefs.xml");
    const pugi::xml_node alarm = findZelAlarm(*doc, "0012 - 05");
    QCOMPARE(alarm.attribute("Name").value(), "Temperatuur");
    alarm.parent().remove_child(alarm);
    QVERIFY(!ZelAlarmExists(*doc, "0012 - 05"));
    QCOMPARE(GetRepeat(*doc, "0012 - 05"), 0);
    QVERIFY(ZelAlarmExists(*doc, "0012 - 06"));
}

void TstZelDefs::documentWithoutContentFindsNothing()
{
    const XmlDocument empty;
    QVERIFY(!ZelAlarmExists(empty, ""));
    QCOMPARE(GetGroupDelay(empty, "0012 - 05"), 0);
}

QTEST_GUILESS_MAIN(TstZelDefs)
#include "tst_zeldefs.moc"
