#include "ui/logic/ZelNodeText.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TstZelNodeText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void splitNodeText_data();
    void splitNodeText();
    void madeTextSplitsBack();
    void locationOrder_data();
    void locationOrder();
    void proposedCode_data();
    void proposedCode();
};

void TstZelNodeText::splitNodeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");

    QTest::newRow("location") << u"Kas Noord (12)"_s << 12 << u"Kas Noord"_s;
    QTest::newRow("root") << u"Zel"_s << 0 << QString();
    QTest::newRow("empty") << QString() << 0 << QString();
    QTest::newRow("leading zeros") << u"A (012)"_s << 12 << u"A"_s;
    QTest::newRow("only the last parentheses") << u"Pomp (oud) (7)"_s << 7 << u"Pomp (oud)"_s;
    QTest::newRow("text after the last parenthesis") << u"Pomp (7) extra"_s << 7 << u"Pomp"_s;
    QTest::newRow("empty name") << u" (3)"_s << 3 << QString();
    QTest::newRow("nothing before the parenthesis") << u"(3)"_s << 3 << QString();
    // The character before "(" is skipped whatever it is.
    QTest::newRow("no blank before the parenthesis") << u"Kas(4)"_s << 4 << u"Ka"_s;
    QTest::newRow("no opening parenthesis") << u"Kas 4)"_s << 0 << QString();
    QTest::newRow("not a number") << u"Kas (x1)"_s << 0 << u"Kas"_s;
    QTest::newRow("a sign is no digit") << u"Kas (-1)"_s << 0 << u"Kas"_s;
    QTest::newRow("no digits") << u"Kas ()"_s << 0 << u"Kas"_s;
    QTest::newRow("too large for an integer") << u"Kas (99999999999)"_s << 0 << u"Kas"_s;
    QTest::newRow("non-ASCII name")
        << u"K\u00e9\u00e9n \u20ac (5)"_s << 5 << u"K\u00e9\u00e9n \u20ac"_s;
}

void TstZelNodeText::splitNodeText()
{
    QFETCH(QString, text);
    QFETCH(int, code);
    QFETCH(QString, name);
    const ZelNodeText split = SplitNodeText(text);
    QCOMPARE(split.code, code);
    QCOMPARE(split.name, name);
}

void TstZelNodeText::madeTextSplitsBack()
{
    QCOMPARE(makeNodeText(u"Kas (oud)"_s, 9999), u"Kas (oud) (9999)"_s);
    const ZelNodeText split = SplitNodeText(makeNodeText(u"Kas (oud)"_s, 9999));
    QCOMPARE(split.code, 9999);
    QCOMPARE(split.name, u"Kas (oud)"_s);
}

void TstZelNodeText::locationOrder_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");

    QTest::newRow("capitals before small letters") << u"B (1)"_s << u"a (2)"_s;
    QTest::newRow("equal names by code text") << u"Kas (10)"_s << u"Kas (9)"_s;
    QTest::newRow("shorter prefix first") << u"Kas (1)"_s << u"Kas Noord (1)"_s;
    QTest::newRow("blank before letters") << u"A B (1)"_s << u"AB (1)"_s;
    QTest::newRow("small letters before accented ones") << u"z (1)"_s << u"\u00e9 (1)"_s;
    // In the code page the euro sign is 0x80: after ASCII, before the Latin-1 letters.
    QTest::newRow("euro sign by its code page byte") << u"\u20ac (1)"_s << u"\u00c9 (1)"_s;
    QTest::newRow("characters outside the code page last") << u"\u00ff (1)"_s << u"\u0410 (1)"_s;
}

void TstZelNodeText::locationOrder()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QVERIFY(locationTextGoesAfter(second, first));
    QVERIFY(!locationTextGoesAfter(first, second));
    QVERIFY(!locationTextGoesAfter(first, first));
}

void TstZelNodeText::proposedCode_data()
{
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("proposed");

    QTest::newRow("none") << QList<int>{} << 99 << 1;
    QTest::newRow("after the highest, not the first gap") << QList<int>{1, 5, 2} << 99 << 6;
    QTest::newRow("above the range shown as its maximum") << QList<int>{99, 1} << 99 << 99;
    QTest::newRow("location range") << QList<int>{9998} << 9999 << 9999;
    QTest::newRow("a huge code from a node text") << QList<int>{2147483647} << 9999 << 9999;
}

void TstZelNodeText::proposedCode()
{
    QFETCH(QList<int>, codes);
    QFETCH(int, max);
    QFETCH(int, proposed);
    QCOMPARE(::proposedCode(codes, max), proposed);
}

QTEST_MAIN(TstZelNodeText)
#include "tst_zelnodetext.moc"
