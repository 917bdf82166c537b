#include "link/ZelFraming.h"
#include "link/ZelMessages.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ZelAnswer)

// Found by QCOMPARE, so a failure names the answers.
char* toString(ZelAnswer answer)
{
    switch (answer) {
    case ZelAnswer::Accepted:
        return qstrdup("Accepted");
    case ZelAnswer::Refused:
        return qstrdup("Refused");
    case ZelAnswer::Other:
        return qstrdup("Other");
    }
    return qstrdup("?");
}

class TstZelProtocol : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void messages_data();
    void messages();
    void outgoingFrame_data();
    void outgoingFrame();
    void replyLines_data();
    void replyLines();
    void classification_data();
    void classification();
};

void TstZelProtocol::messages_data()
{
    QTest::addColumn<QString>("built");
    QTest::addColumn<QString>("expected");

    const QString text80 = QString(80, u'x');
    const QString text100 = QString(100, u'x');

    QTest::newRow("alarm active") << ZelMessage::alarm(u"0012 - 03"_s, false, u"Kas 1 Hoog"_s)
                                  << u"[ZEL RCVALARM 02,0012,03,T,,Kas 1 Hoog]"_s;
    QTest::newRow("alarm returned") << ZelMessage::alarm(u"0012 - 03"_s, true, u"Kas 1 Hoog"_s)
                                    << u"[ZEL RCVALARM 02,0012,03,R,,Kas 1 Hoog]"_s;
    QTest::newRow("alarm empty text") << ZelMessage::alarm(u"9998 - 99"_s, false, QString())
                                      << u"[ZEL RCVALARM 02,9998,99,T,,]"_s;
    QTest::newRow("alarm text cut to 80") << ZelMessage::alarm(u"0012 - 03"_s, false, text100)
                                          << u"[ZEL RCVALARM 02,0012,03,T,,"_s + text80 + u']';
    QTest::newRow("alarm text neither escaped nor filtered")
        << ZelMessage::alarm(u"0012 - 03"_s, false, u"a,b]c Lüftung"_s)
        << u"[ZEL RCVALARM 02,0012,03,T,,a,b]c Lüftung]"_s;

    QTest::newRow("group without text") << ZelMessage::groupAlarm(u"0012 - 03"_s, false, QString())
                                        << u"[ZEL RCVALARM 02,0012,03,A,,]"_s;
    QTest::newRow("group with text, not cut")
        << ZelMessage::groupAlarm(u"0012 - 03"_s, false, text100)
        << u"[ZEL RCVALARM 02,0012,03,T,,"_s + text100 + u']';
    QTest::newRow("group returned drops its text")
        << ZelMessage::groupAlarm(u"0012 - 03"_s, true, u"Kas 1"_s)
        << u"[ZEL RCVALARM 02,0012,03,R,,]"_s;

    QTest::newRow("office link lost")
        << ZelMessage::poLinkLost() << u"[ZEL RCVALARM 02,9999,8,A]"_s;
    QTest::newRow("office link restored")
        << ZelMessage::poLinkRestored() << u"[ZEL RCVALARM 02,9999,8,R]"_s;
    QTest::newRow("configuration problem")
        << ZelMessage::configurationProblem() << u"[ZEL RCVALARM 02,9999,9,A]"_s;

    QTest::newRow("watchdog id 0") << ZelMessage::watchdog(0) << u"[ZEL WD 09]"_s;
    QTest::newRow("watchdog id below 0") << ZelMessage::watchdog(-1) << u"[ZEL WD 09]"_s;
    QTest::newRow("watchdog id 1") << ZelMessage::watchdog(1) << u"[ZEL WD 09 1]"_s;
    QTest::newRow("watchdog id 7") << ZelMessage::watchdog(7) << u"[ZEL WD 09 7]"_s;

    QTest::newRow("test as typed")
        << ZelMessage::test(u"000001"_s, u"01"_s, u"A"_s) << u"[ZEL RCVALARM 02,000001,01,A]"_s;
    QTest::newRow("test empty fields")
        << ZelMessage::test(QString(), QString(), QString()) << u"[ZEL RCVALARM 02,,,]"_s;
}

void TstZelProtocol::messages()
{
    QFETCH(QString, built);
    QFETCH(QString, expected);
    QCOMPARE(built, expected);
}

void TstZelProtocol::outgoingFrame_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("carriage return, no line feed") << u"[ZEL WD 09]"_s << "[ZEL WD 09]\r"_ba;
    QTest::newRow("one byte per Latin-1 character") << u"Lüftung é"_s
                                                    << "L\xFC"
                                                       "ftung \xE9\r"_ba;
    QTest::newRow("outside Latin-1") << u"5 €"_s << "5 ?\r"_ba;
    QTest::newRow("empty") << QString() << "\r"_ba;
}

void TstZelProtocol::outgoingFrame()
{
    QFETCH(QString, message);
    QFETCH(QByteArray, bytes);
    QCOMPARE(frameZelMessage(message), bytes);
}

void TstZelProtocol::replyLines_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("one line") << "OK\r"_ba << QStringList{u"OK"_s};
    QTest::newRow("two lines in order") << "NAK\rOK\r"_ba << QStringList{u"NAK"_s, u"OK"_s};
    QTest::newRow("line feed starts the next line")
        << "OK\r\nOK\r"_ba << QStringList{u"OK"_s, u"\nOK"_s};
    QTest::newRow("line feed alone is a line") << "\n\r"_ba << QStringList{u"\n"_s};
    QTest::newRow("no carriage return, no line") << "OK"_ba << QStringList();
    QTest::newRow("tail after last carriage return dropped") << "OK\rNA"_ba << QStringList{u"OK"_s};
    QTest::newRow("empty lines dropped") << "\r\rOK\r\r"_ba << QStringList{u"OK"_s};
    QTest::newRow("nothing") << QByteArray() << QStringList();
    QTest::newRow("Latin-1 bytes") << "\xE9t\xE9\r"_ba << QStringList{u"été"_s};
}

void TstZelProtocol::replyLines()
{
    QFETCH(QByteArray, received);
    QFETCH(QStringList, lines);
    QCOMPARE(zelReplyLines(received), lines);
}

void TstZelProtocol::classification_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<ZelAnswer>("answer");
    QTest::newRow("OK") << u"OK"_s << ZelAnswer::Accepted;
    QTest::newRow("OKAY") << u"OKAY"_s << ZelAnswer::Accepted;
    QTest::newRow("OK 12") << u"OK 12"_s << ZelAnswer::Accepted;
    QTest::newRow("ok") << u"ok"_s << ZelAnswer::Other;
    QTest::newRow("Ok") << u"Ok"_s << ZelAnswer::Other;
    QTest::newRow("blank OK") << u" OK"_s << ZelAnswer::Other;
    QTest::newRow("line feed OK") << u"\nOK"_s << ZelAnswer::Other;
    QTest::newRow("NAK") << u"NAK"_s << ZelAnswer::Refused;
    QTest::newRow("NAK 3") << u"NAK 3"_s << ZelAnswer::Refused;
    QTest::newRow("nak") << u"nak"_s << ZelAnswer::Other;
    QTest::newRow("NA") << u"NA"_s << ZelAnswer::Other;
    QTest::newRow("O") << u"O"_s << ZelAnswer::Other;
    QTest::newRow("empty") << QString() << ZelAnswer::Other;
}

void TstZelProtocol::classification()
{
    QFETCH(QString, line);
    QFETCH(ZelAnswer, answer);
    QCOMPARE(classifyZelAnswer(line), answer);
}

QTEST_GUILESS_MAIN(TstZelProtocol)
#include "tst_zelprotocol.moc"
