#include "link/ZelFraming.h"
#include "link/ZelMessages.h"
#include "link/ZelReplyReader.h"

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
    void resetForgetsTheUnfinishedLine();
    void overlongLineIsDropped();
    void classification_data();
    void classification();
};

void TstZelProtocol::messages_data()
{
    QTest::addColumn<QString>("built");
    QTest::addColumn<QString>("expected");

    const QString text80 = QString(80, u'x');
    const QString text100 = QString(100, u'x');

    QTest::newRow("alarm active") << ZelMessage::alarm(12, 3, false, u"Kas 1 Hoog"_s)
                                  << u"[ZEL RCVALARM 02,0012,03,T,,Kas 1 Hoog]"_s;
    QTest::newRow("alarm returned") << ZelMessage::alarm(12, 3, true, u"Kas 1 Hoog"_s)
                                    << u"[ZEL RCVALARM 02,0012,03,R,,Kas 1 Hoog]"_s;
    QTest::newRow("alarm empty text")
        << ZelMessage::alarm(9998, 99, false, QString()) << u"[ZEL RCVALARM 02,9998,99,T,,]"_s;
    QTest::newRow("alarm text cut to 80") << ZelMessage::alarm(12, 3, false, text100)
                                          << u"[ZEL RCVALARM 02,0012,03,T,,"_s + text80 + u']';
    QTest::newRow("alarm single digits padded")
        << ZelMessage::alarm(1, 5, false, u"x"_s) << u"[ZEL RCVALARM 02,0001,05,T,,x]"_s;
    QTest::newRow("alarm text neither escaped nor filtered")
        << ZelMessage::alarm(12, 3, false, u"a,b]c Lüftung"_s)
        << u"[ZEL RCVALARM 02,0012,03,T,,a,b]c Lüftung]"_s;

    QTest::newRow("group without text")
        << ZelMessage::groupAlarm(12, 3, false, QString()) << u"[ZEL RCVALARM 02,0012,03,A,,]"_s;
    QTest::newRow("group with text, not cut") << ZelMessage::groupAlarm(12, 3, false, text100)
                                              << u"[ZEL RCVALARM 02,0012,03,T,,"_s + text100 + u']';
    QTest::newRow("group single digits padded")
        << ZelMessage::groupAlarm(7, 1, false, QString()) << u"[ZEL RCVALARM 02,0007,01,A,,]"_s;
    QTest::newRow("group returned drops its text")
        << ZelMessage::groupAlarm(12, 3, true, u"Kas 1"_s) << u"[ZEL RCVALARM 02,0012,03,R,,]"_s;

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
    QTest::addColumn<int>("unmappable");
    QTest::newRow("carriage return, no line feed") << u"[ZEL WD 09]"_s << "[ZEL WD 09]\r"_ba << 0;
    QTest::newRow("Latin-1 letters") << u"Lüftung é"_s
                                     << "L\xFC"
                                        "ftung \xE9\r"_ba
                                     << 0;
    QTest::newRow("windows-1252 punctuation, one byte each") << u"5 € ’a“b”–…"_s
                                                             << "5 \x80 \x92"
                                                                "a\x93"
                                                                "b\x94\x96\x85\r"_ba
                                                             << 0;
    QTest::newRow("outside the code page, each character once")
        << u"Ω 😀 ÿ"_s << "? ? \xFF\r"_ba << 2;
    QTest::newRow("empty") << QString() << "\r"_ba << 0;
    // A text may not end the line early: "&#13;" in an office alarm text arrives as CR.
    QTest::newRow("carriage return and line feed inside a text")
        << u"[ZEL RCVALARM 02,0012,03,T,,a\rOK]\n[ZEL WD 09]"_s
        << "[ZEL RCVALARM 02,0012,03,T,,a OK] [ZEL WD 09]\r"_ba << 0;
    QTest::newRow("C0 controls, DEL") << u"\u0000\t\u001B\u001F \u007F~"_s << "      ~\r"_ba << 0;
    QTest::newRow("C1 controls, even those with a byte")
        << u"a\u0080\u0081\u0085\u009Dz"_s << "a    z\r"_ba << 0;
}

void TstZelProtocol::outgoingFrame()
{
    QFETCH(QString, message);
    QFETCH(QByteArray, bytes);
    QFETCH(int, unmappable);
    qsizetype lost = -1;
    QCOMPARE(frameZelMessage(message, &lost), bytes);
    QCOMPARE(lost, qsizetype(unmappable));
    QCOMPARE(frameZelMessage(message), bytes);
}

void TstZelProtocol::replyLines_data()
{
    QTest::addColumn<QByteArrayList>("reads");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<qsizetype>("pendingAfter");
    using Reads = QByteArrayList;
    QTest::newRow("one line") << Reads{"OK\r"_ba} << QStringList{u"OK"_s} << qsizetype(0);
    QTest::newRow("two lines in order")
        << Reads{"NAK\rOK\r"_ba} << QStringList{u"NAK"_s, u"OK"_s} << qsizetype(0);
    QTest::newRow("line feed starts the next line")
        << Reads{"OK\r\nOK\r"_ba} << QStringList{u"OK"_s, u"\nOK"_s} << qsizetype(0);
    QTest::newRow("line feed alone is a line")
        << Reads{"\n\r"_ba} << QStringList{u"\n"_s} << qsizetype(0);
    QTest::newRow("no carriage return, no line yet")
        << Reads{"OK"_ba} << QStringList() << qsizetype(2);
    QTest::newRow("empty lines dropped")
        << Reads{"\r\rOK\r\r"_ba} << QStringList{u"OK"_s} << qsizetype(0);
    QTest::newRow("nothing") << Reads{QByteArray()} << QStringList() << qsizetype(0);
    QTest::newRow("windows-1252 bytes")
        << Reads{"\xE9t\xE9 \x80\x93\r"_ba} << QStringList{u"été €“"_s} << qsizetype(0);
    QTest::newRow("answer split over two reads")
        << Reads{"O"_ba, "K\r"_ba} << QStringList{u"OK"_s} << qsizetype(0);
    QTest::newRow("split over three reads, a line before")
        << Reads{"NAK\rN"_ba, "A"_ba, "K 3\rO"_ba} << QStringList{u"NAK"_s, u"NAK 3"_s}
        << qsizetype(1);
    QTest::newRow("carriage return alone ends the waiting line")
        << Reads{"OK"_ba, "\r"_ba} << QStringList{u"OK"_s} << qsizetype(0);
    QTest::newRow("line feed split from its carriage return")
        << Reads{"OK\r"_ba, "\nOK\r"_ba} << QStringList{u"OK"_s, u"\nOK"_s} << qsizetype(0);
    QTest::newRow("split inside a windows-1252 text")
        << Reads{"5 \x80"_ba, " \x85\r"_ba} << QStringList{u"5 € …"_s} << qsizetype(0);
}

void TstZelProtocol::replyLines()
{
    QFETCH(QByteArrayList, reads);
    QFETCH(QStringList, lines);
    QFETCH(qsizetype, pendingAfter);
    ZelReplyReader reader;
    QStringList got;
    for (const QByteArray& bytes : reads) {
        const ZelReplyReader::Result result = reader.read(bytes);
        got += result.lines;
        QCOMPARE(result.droppedBytes, qsizetype(0));
    }
    QCOMPARE(got, lines);
    QCOMPARE(reader.pendingSize(), pendingAfter);
}

void TstZelProtocol::resetForgetsTheUnfinishedLine()
{
    ZelReplyReader reader;
    QVERIFY(reader.read("OK\rNA"_ba).lines == QStringList{u"OK"_s});
    reader.reset();
    QCOMPARE(reader.pendingSize(), qsizetype(0));
    // "NA" belonged to the old connection; "K" alone starts the new one's first line.
    QCOMPARE(reader.read("K\r"_ba).lines, QStringList{u"K"_s});
}

void TstZelProtocol::overlongLineIsDropped()
{
    constexpr qsizetype limit = ZelReplyReader::kMaxPending;
    ZelReplyReader reader;

    // Up to the limit the line waits ...
    ZelReplyReader::Result result = reader.read(QByteArray(limit - 1, 'x'));
    QVERIFY(result.lines.isEmpty());
    QCOMPARE(result.droppedBytes, qsizetype(0));
    QCOMPARE(reader.pendingSize(), limit - 1);

    // ... beyond it the waiting text goes at once, memory stays bounded ...
    result = reader.read("yy"_ba);
    QCOMPARE(result.droppedBytes, limit + 1);
    QCOMPARE(reader.pendingSize(), qsizetype(0));
    result = reader.read(QByteArray(limit, 'z'));
    QCOMPARE(result.droppedBytes, limit);
    QCOMPARE(reader.pendingSize(), qsizetype(0));

    // ... and so does the rest of that line: its end is no line of its own.
    result = reader.read("end\rOK\r"_ba);
    QCOMPARE(result.droppedBytes, qsizetype(4));
    QCOMPARE(result.lines, QStringList{u"OK"_s});
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
