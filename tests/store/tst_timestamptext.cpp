#include "store/TimestampText.h"

#include <QTest>

namespace {

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

} // namespace

class TstTimestampText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void write_data();
    void write();
    void read_data();
    void read();
};

void TstTimestampText::write_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("epoch") << 0.0 << QByteArray("18991230T000000");
    QTest::newRow("every field padded")
        << toTimestamp(utc(2024, 3, 1, 9, 5, 7)) << QByteArray("20240301T090507");
    QTest::newRow("milliseconds are dropped")
        << toTimestamp(utc(2024, 2, 29, 23, 59, 59, 999)) << QByteArray("20240229T235959");
    QTest::newRow("less than half a millisecond short of midnight")
        << toTimestamp(utc(2024, 3, 1)) - secondsToDays(0.0004) << QByteArray("20240301T000000");
    QTest::newRow("eight seconds after the epoch")
        << secondsToDays(8) << QByteArray("18991230T000008");
    QTest::newRow("before the epoch")
        << toTimestamp(utc(1899, 12, 29, 12)) << QByteArray("18991229T120000");
    QTest::newRow("three-digit year")
        << toTimestamp(utc(999, 1, 2, 3, 4, 5)) << QByteArray("09990102T030405");
}

void TstTimestampText::write()
{
    QFETCH(double, t);
    QFETCH(QByteArray, text);
    QCOMPARE(QByteArray::fromStdString(TimestampText(t)), text);
}

void TstTimestampText::read_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QDateTime>("expected"); // invalid: reads as 0, the epoch

    const QDateTime epoch;
    QTest::newRow("epoch") << QByteArray("18991230T000000") << true << utc(1899, 12, 30);
    QTest::newRow("date and time")
        << QByteArray("20240301T095907") << true << utc(2024, 3, 1, 9, 59, 7);
    QTest::newRow("ninth character not looked at")
        << QByteArray("20240301 095907") << true << utc(2024, 3, 1, 9, 59, 7);
    QTest::newRow("leap day") << QByteArray("20240229T235959") << true
                              << utc(2024, 2, 29, 23, 59, 59);
    QTest::newRow("empty") << QByteArray() << true << epoch;
    QTest::newRow("14 characters") << QByteArray("20240301T09590") << true << epoch;
    QTest::newRow("16 characters") << QByteArray("20240301T0959070") << true << epoch;
    QTest::newRow("month 13") << QByteArray("20241301T000000") << false << epoch;
    QTest::newRow("no leap day") << QByteArray("20230229T000000") << false << epoch;
    QTest::newRow("hour 24") << QByteArray("20240301T240000") << false << epoch;
    QTest::newRow("second 60") << QByteArray("20240301T000060") << false << epoch;
    QTest::newRow("letter") << QByteArray("2024030AT000000") << false << epoch;
    QTest::newRow("sign") << QByteArray("+0240301T000000") << false << epoch;
    QTest::newRow("year 0") << QByteArray("00000101T000000") << false << epoch;
}

void TstTimestampText::read()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(QDateTime, expected);
    const Timestamp t = expected.isValid() ? toTimestamp(expected) : 0.0;
    QCOMPARE(tryParseTimestampText(text.toStdString()).has_value(), valid);
    QCOMPARE(ParseTimestampText(text.toStdString()), t);
    if (valid && text.size() == 15) {
        // What is read writes back as the same text, apart from the ninth character.
        QByteArray normalised = text;
        normalised[8] = 'T';
        QCOMPARE(QByteArray::fromStdString(TimestampText(t)), normalised);
    }
}

QTEST_GUILESS_MAIN(TstTimestampText)
#include "tst_timestamptext.moc"
