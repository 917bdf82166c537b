#include "EncodingRows.h"
#include "TestFiles.h"
#include "core/Log.h"
#include "store/XmlDocument.h"
#include "store/XmlParseError.h"
#include "store/XmlText.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

std::string_view view(const QByteArray& bytes)
{
    return std::string_view(bytes.constData(), size_t(bytes.size()));
}

// Another, strict reader: it refuses what XML 1.0 forbids ("&#1;", a raw NUL) and reads the
// declared encoding itself. The value of attribute name of the first element named element.
QString readStrictly(const QByteArray& file, const char* element, const char* name)
{
    QXmlStreamReader reader(file);
    QString value;
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String(element)) {
            value = reader.attributes().value(QLatin1String(name)).toString();
            break;
        }
    }
    while (!reader.atEnd())
        reader.readNext();
    return reader.hasError() ? u"error: "_s + reader.errorString() : value;
}

QByteArray toUtf16(const QString& text, bool littleEndian)
{
    QByteArray bytes = littleEndian ? QByteArray("\xff\xfe") : QByteArray("\xfe\xff");
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xFF);
        bytes.append(littleEndian ? low : high);
        bytes.append(littleEndian ? high : low);
    }
    return bytes;
}

} // namespace

class TstXmlText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void decode_data();
    void decode();
    void decodeUtf16_data();
    void decodeUtf16();
    void saveAndReload_data();
    void saveAndReload();
    void savedDeclarationFollowsTheBytes();
    void largeDocumentIsWrittenWhole();

private:
    QStringList logLines() const;
    QString path(const char* name) const { return m_dir->filePath(QLatin1String(name)); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TstXmlText::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    Log::instance().setFileName(path("ZELPO.LOG"));
}

void TstXmlText::cleanup()
{
    Log::instance().setFileName(QString());
    m_dir.reset();
}

QStringList TstXmlText::logLines() const
{
    return QString::fromUtf8(readFile(path("ZELPO.LOG"))).split(u"\r\n"_s, Qt::SkipEmptyParts);
}

void TstXmlText::decode_data()
{
    addEncodingRows();
}

// Through both ways in: an answer parsed from memory and a document opened from its file.
void TstXmlText::decode()
{
    QFETCH(QByteArray, prolog);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, expected);
    QFETCH(int, replaced);
    QFETCH(bool, decodes);
    const QByteArray xml = prolog + "<R a='" + value + "'/>";

    const DecodedXml decoded = decodeXmlBytes(view(xml));
    QCOMPARE(decoded.ok(), decodes);
    pugi::xml_document answer;
    XmlDocumentHandle document;
    QVERIFY(writeFile(path("doc.xml"), xml));
    if (!decodes) {
        QVERIFY(decoded.error.find("unsupported encoding") != std::string::npos);
        QVERIFY_THROWS_EXCEPTION(XmlParseError, loadXmlText(answer, view(xml)));
        QVERIFY(!answer.first_child());
        QVERIFY(!OpenXmlDocument(document, path("doc.xml"), "R"));
        QVERIFY(!document->hasContent());
        return;
    }
    QCOMPARE(decoded.replaced, replaced);
    // The text says what it now is, and a second decoding changes nothing.
    QVERIFY(!decoded.text.starts_with("\xef\xbb\xbf"));
    if (prolog.contains("encoding="))
        QVERIFY(decoded.text.find("encoding=\"UTF-8\"") != std::string::npos ||
                decoded.text.find("encoding='UTF-8'") != std::string::npos);
    const DecodedXml again = decodeXmlBytes(decoded.text);
    QCOMPARE(again.text, decoded.text);
    QCOMPARE(again.replaced, 0);

    loadXmlText(answer, view(xml));
    QCOMPARE(QByteArray(answer.document_element().attribute("a").value()), expected);
    QVERIFY(OpenXmlDocument(document, path("doc.xml"), "R"));
    QCOMPARE(QByteArray(document->root().attribute("a").value()), expected);
    // Reading a document that had to be repaired says so in the log.
    QCOMPARE(logLines().filter(u"replaced by U+FFFD"_s).size(), replaced > 0 ? 1 : 0);
}

void TstXmlText::decodeUtf16_data()
{
    QTest::addColumn<bool>("littleEndian");
    QTest::newRow("little endian") << true;
    QTest::newRow("big endian") << false;
}

void TstXmlText::decodeUtf16()
{
    QFETCH(bool, littleEndian);
    const QString text =
        u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><R a=\"\u00e9\u20ac\U0001F600\"/>"_s;
    QByteArray bytes = toUtf16(text, littleEndian);

    pugi::xml_document dom;
    loadXmlText(dom, view(bytes));
    QCOMPARE(QString::fromUtf8(dom.document_element().attribute("a").value()),
             u"\u00e9\u20ac\U0001F600"_s);
    QCOMPARE(decodeXmlBytes(view(bytes)).encoding,
             std::string(littleEndian ? "UTF-16LE" : "UTF-16BE"));

    // A lone surrogate and a last odd byte are no characters.
    bytes = toUtf16(u"<R a=\""_s + QChar(0xD800) + u"x\"/>"_s, littleEndian) + "!";
    const DecodedXml decoded = decodeXmlBytes(view(bytes));
    QCOMPARE(decoded.replaced, 2);
    QCOMPARE(QString::fromStdString(decoded.text), u"<R a=\"\uFFFDx\"/>\uFFFD"_s);
}

void TstXmlText::saveAndReload_data()
{
    QTest::addColumn<QByteArray>("value");   // UTF-8 in the tree
    QTest::addColumn<QByteArray>("written"); // the attribute's bytes in the file
    QTest::addColumn<QByteArray>("reread");  // UTF-8 after the file is opened again
    QTest::addColumn<int>("dropped");

    QTest::newRow("Latin-1 letter as its byte")
        << QByteArray("Kas \xc3\xa9\xc3\xa9n") << QByteArray("Kas \xe9\xe9n")
        << QByteArray("Kas \xc3\xa9\xc3\xa9n") << 0;
    QTest::newRow("euro sign as a reference")
        << QByteArray("\xe2\x82\xac 5") << QByteArray("&#8364; 5") << QByteArray("\xe2\x82\xac 5")
        << 0;
    QTest::newRow("beyond the basic plane as a reference")
        << QByteArray("\xf0\x9f\x98\x80") << QByteArray("&#128512;")
        << QByteArray("\xf0\x9f\x98\x80") << 0;
    QTest::newRow("C1 control as its byte")
        << QByteArray("a\xc2\x85") << QByteArray("a\x85") << QByteArray("a\xc2\x85") << 0;
    QTest::newRow("markup characters escaped")
        << QByteArray("<&\"'>") << QByteArray("&lt;&amp;&quot;'>") << QByteArray("<&\"'>") << 0;
    QTest::newRow("tab, line feed and carriage return kept")
        << QByteArray("a\tb\nc\rd") << QByteArray("a&#09;b&#10;c&#13;d") << QByteArray("a\tb\nc\rd")
        << 0;
    QTest::newRow("C0 controls left out")
        << QByteArray("a\x01z\x1f") << QByteArray("az") << QByteArray("az") << 2;
    QTest::newRow("U+FFFE and U+FFFF left out")
        << QByteArray("a\xef\xbf\xbe\xef\xbf\xbfz") << QByteArray("az") << QByteArray("az") << 2;
    QTest::newRow("overlong NUL in the tree left out")
        << QByteArray("a\xc0\x80z") << QByteArray("az") << QByteArray("az") << 2;
    QTest::newRow("encoded surrogate in the tree left out")
        << QByteArray("a\xed\xa0\x80z") << QByteArray("az") << QByteArray("az") << 3;
}

// Whatever the tree holds, the saved file is one that this program and a strict reader both
// open again, and what could be kept reads back unchanged.
void TstXmlText::saveAndReload()
{
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, written);
    QFETCH(QByteArray, reread);
    QFETCH(int, dropped);

    const QString file = path("AlarmStatus.xml");
    XmlDocumentHandle doc;
    QVERIFY(OpenXmlDocument(doc, file, "POAlarmStatus"));
    doc->root().append_child("Alarm").append_attribute("text") = value.constData();
    QCOMPARE(serializeLatin1(doc->dom()).dropped, dropped);
    QVERIFY(SaveXmlDocument(doc, file));

    const QByteArray bytes = readFile(file);
    QVERIFY2(bytes.contains(QByteArray("<Alarm text=\"" + written + "\" />")), bytes.constData());
    QVERIFY(!bytes.contains('\0'));
    QCOMPARE(readStrictly(bytes, "Alarm", "text"), QString::fromUtf8(reread));
    XmlDocumentHandle again;
    QVERIFY(OpenXmlDocument(again, file, "POAlarmStatus"));
    QCOMPARE(QByteArray(again->root().child("Alarm").attribute("text").value()), reread);
    // One line per save, however many characters were left out.
    QCOMPARE(logLines().filter(u"left out"_s).size(), dropped > 0 ? 1 : 0);
    QVERIFY(SaveXmlDocument(doc, file));
    QCOMPARE(logLines().filter(u"left out"_s).size(), dropped > 0 ? 2 : 0);
}

// A document read from UTF-8 or windows-1252 is written as ISO-8859-1 and declared so,
// whatever its own declaration said; a standalone declaration is kept.
void TstXmlText::savedDeclarationFollowsTheBytes()
{
    const QString file = path("LinkDefs.xml");
    QVERIFY(writeFile(file, "<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"yes\"?>"
                            "<ZelPOLinkDefs t=\"\x80\xe9\"/>"));
    XmlDocumentHandle doc;
    QVERIFY(OpenXmlDocument(doc, file, "ZelPOLinkDefs"));
    QVERIFY(SaveXmlDocument(doc, file));
    QCOMPARE(readFile(file),
             QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\" standalone=\"yes\"?>\n"
                        "<ZelPOLinkDefs t=\"&#8364;\xe9\" />\n"));

    // A document as loaded (a trace of it, say) is written the same way, and keeps its own
    // declaration in memory.
    QVERIFY(writeFile(file, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                            "<ZelPOLinkDefs t=\"\xe2\x82\xac\xc3\xa9\"/>"));
    XmlDocumentHandle loaded;
    QVERIFY(OpenXmlDocument(loaded, file, "ZelPOLinkDefs"));
    QCOMPARE(serializeLatin1(loaded->dom()).bytes,
             std::string("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                         "<ZelPOLinkDefs t=\"&#8364;\xe9\" />\n"));
    QCOMPARE(std::string(loaded->dom().first_child().attribute("encoding").value()), "UTF-8");
}

// A document far larger than the pieces the writing converts at a time: every character,
// reference and line comes out once and in order, wherever a piece ends.
void TstXmlText::largeDocumentIsWrittenWhole()
{
    constexpr int kElements = 20000;
    pugi::xml_document dom;
    pugi::xml_node root = dom.append_child("R");
    std::string expected = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<R>\n";
    for (int i = 0; i < kElements; ++i) {
        const std::string n = std::to_string(i);
        // é, the euro sign, a character beyond the basic plane, a control left out, an escape.
        root.append_child("A").append_attribute("v") =
            (n + " \xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\x01&").c_str();
        expected += "\t<A v=\"" + n + " \xe9&#8364;&#128512;&amp;\" />\n";
    }
    expected += "</R>\n";
    const Latin1Xml written = serializeLatin1(dom);
    QVERIFY(written.bytes.size() > 4 * 64 * 1024);
    QCOMPARE(written.dropped, kElements);
    QCOMPARE(written.bytes, expected);
}

QTEST_GUILESS_MAIN(TstXmlText)
#include "tst_xmltext.moc"
