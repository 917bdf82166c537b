#include "core/Windows1252.h"

#include <QTest>

class TstWindows1252 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void encode_data();
    void encode();
    void everyByteRoundTrips();
};

void TstWindows1252::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("unmappable");
    QTest::newRow("ascii") << QStringLiteral("Kas 3") << QByteArray("Kas 3") << 0;
    QTest::newRow("latin-1 letter")
        << QStringLiteral("Temp\u00e9rature") << QByteArray("Temp\xe9rature") << 0;
    QTest::newRow("euro") << QStringLiteral("\u20ac 5") << QByteArray("\x80 5") << 0;
    QTest::newRow("quotes dash ellipsis") << QStringLiteral("\u2019\u201c\u201d\u2013\u2026")
                                          << QByteArray("\x92\x93\x94\x96\x85") << 0;
    QTest::newRow("undefined byte's control")
        << QStringLiteral("\u0081") << QByteArray("\x81") << 0;
    QTest::newRow("C1 control that the page replaced")
        << QStringLiteral("\u0080") << QByteArray("?") << 1;
    QTest::newRow("greek") << QStringLiteral("\u03b1b") << QByteArray("?b") << 1;
    QTest::newRow("outside the basic plane is one character")
        << QStringLiteral("a\U0001F600b") << QByteArray("a?b") << 1;
}

void TstWindows1252::encode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(int, unmappable);
    qsizetype lost = -1;
    QCOMPARE(toWindows1252(text, &lost), bytes);
    QCOMPARE(lost, qsizetype(unmappable));
}

void TstWindows1252::everyByteRoundTrips()
{
    for (int byte = 0; byte < 256; ++byte) {
        const QByteArray one(1, char(byte));
        const QString decoded = fromWindows1252(one);
        QCOMPARE(decoded.size(), 1);
        qsizetype lost = -1;
        QCOMPARE(toWindows1252(decoded, &lost), one);
        QCOMPARE(lost, qsizetype(0));
    }
    QCOMPARE(fromWindows1252("\x80\x9f"), QStringLiteral("\u20ac\u0178"));
}

QTEST_GUILESS_MAIN(TstWindows1252)
#include "tst_windows1252.moc"
