#pragma once

#include <QByteArray>
#include <QTest>

// The ways an office answer or a document can encode its text. Each row gives the start of
// the text (declaration or byte-order mark), the raw bytes of one attribute value (always
// written in single quotes), the UTF-8 the value must read as, how many characters decoding
// replaces by U+FFFD, and whether the text can be decoded at all.
inline void addEncodingRows()
{
    QTest::addColumn<QByteArray>("prolog");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("replaced");
    QTest::addColumn<bool>("decodes");

    const QByteArray utf8Decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const QByteArray latin1Decl = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n";
    const QByteArray eacute = "\xc3\xa9";
    const QByteArray euro = "\xe2\x82\xac";
    const QByteArray replacement = "\xef\xbf\xbd";

    QTest::newRow("declared UTF-8") << utf8Decl << QByteArray("Temp\xc3\xa9rature \xe2\x82\xac")
                                    << "Temp" + eacute + "rature " + euro << 0 << true;
    QTest::newRow("declared ISO-8859-1") << latin1Decl << QByteArray("Temp\xe9rature haute")
                                         << "Temp" + eacute + "rature haute" << 0 << true;
    QTest::newRow("declared latin1 in single quotes")
        << QByteArray("<?xml version='1.0' encoding='latin1'?>") << QByteArray("\xe9t\xe9")
        << eacute + "t" + eacute << 0 << true;
    QTest::newRow("declared windows-1252")
        << QByteArray("<?xml version=\"1.0\" encoding=\"windows-1252\"?>")
        << QByteArray("\x80 \x93ok\x94 \xe9") << euro + " \xe2\x80\x9cok\xe2\x80\x9d " + eacute << 0
        << true;
    QTest::newRow("declared CP1252 in capitals")
        << QByteArray("<?xml version=\"1.0\" encoding=\"CP1252\" standalone=\"yes\"?>")
        << QByteArray("\x80") << euro << 0 << true;
    QTest::newRow("no declaration, valid UTF-8") << QByteArray() << "Temp" + eacute + "rature"
                                                 << "Temp" + eacute + "rature" << 0 << true;
    QTest::newRow("no declaration, Latin-1 bytes")
        << QByteArray() << QByteArray("Temp\xe9rature haute") << "Temp" + eacute + "rature haute"
        << 0 << true;
    QTest::newRow("declaration without encoding, Latin-1 bytes")
        << QByteArray("<?xml version=\"1.0\"?>") << QByteArray("\xe9") << eacute << 0 << true;
    QTest::newRow("UTF-8 byte-order mark")
        << QByteArray("\xef\xbb\xbf") << euro << euro << 0 << true;
    QTest::newRow("byte-order mark followed by U+FEFF")
        << QByteArray("\xef\xbb\xbf\xef\xbb\xbf") << eacute << eacute << 1 << true;
    QTest::newRow("byte-order mark wins over the declaration")
        << "\xef\xbb\xbf" + latin1Decl << eacute << eacute << 0 << true;
    QTest::newRow("unsupported declaration")
        << QByteArray("<?xml version=\"1.0\" encoding=\"EBCDIC-US\"?>") << QByteArray("x")
        << QByteArray() << 0 << false;
    QTest::newRow("UTF-16 declared without its byte-order mark")
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-16\"?>") << QByteArray("x")
        << QByteArray() << 0 << false;
    // Unicode's practice: each byte that cannot begin or continue a sequence is one character.
    QTest::newRow("declared UTF-8 with an overlong NUL")
        << utf8Decl << QByteArray("a\xc0\x80z") << "a" + replacement + replacement + "z" << 2
        << true;
    QTest::newRow("declared UTF-8 with a Latin-1 byte")
        << utf8Decl << QByteArray("Temp\xe9rature") << "Temp" + replacement + "rature" << 1 << true;
    QTest::newRow("declared UTF-8 with an encoded surrogate")
        << utf8Decl << QByteArray("a\xed\xa0\x80") << "a" + replacement.repeated(3) << 3 << true;
    QTest::newRow("declared UTF-8 cut inside a sequence")
        << utf8Decl << QByteArray("a\xe2\x82") << "a" + replacement << 1 << true;
    QTest::newRow("control byte") << latin1Decl << QByteArray("a\x01z\x7f")
                                  << "a" + replacement + "z\x7f" << 1 << true;
    QTest::newRow("references to characters XML cannot hold")
        << utf8Decl << QByteArray("a&#0;b&#x1;c&#xD800;d&#xFFFE;e&#99999999999;f&#65;&#xE9;")
        << "a" + replacement + "b" + replacement + "c" + replacement + "d" + replacement + "e" +
               replacement + "fA" + eacute
        << 5 << true;
}
