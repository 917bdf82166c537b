#include "TestFiles.h"
#include "store/XmlDocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

XmlDocumentHandle parse(const char* xml)
{
    auto doc = std::make_unique<XmlDocument>();
    doc->dom().load_string(xml);
    return doc;
}

} // namespace

class TstXmlDocument : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void openMissingFileCreatesEmptyDocumentInMemory();
    void openKeepsContentUntilCleared();
    void wrongRootReturnsFalseButStaysOpen();
    void malformedFileLeavesDocumentNotOpen();
    void findChildNode_data();
    void findChildNode();
    void saveWritesLatin1WithTabsAndReadsBack();
    void saveOfUtf8FileRewritesDeclaration();
    void saveFailuresReturnFalse();
    void rootForNameCheckSkipsDeclaration();
    void movedDocumentKeepsItsContent();

private:
    QTemporaryDir m_dir;
    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
};

void TstXmlDocument::openMissingFileCreatesEmptyDocumentInMemory()
{
    XmlDocumentHandle doc;
    QVERIFY(OpenXmlDocument(doc, path("missing.xml"), "POAlarmStatus"));
    QVERIFY(doc);
    QCOMPARE(doc->root().name(), std::string("POAlarmStatus"));
    QVERIFY(!doc->root().first_child());
    QVERIFY(!QFile::exists(path("missing.xml")));

    QVERIFY(SaveXmlDocument(doc, path("missing.xml")));
    QCOMPARE(readFile(path("missing.xml")),
             QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<POAlarmStatus />\n"));
}

void TstXmlDocument::openKeepsContentUntilCleared()
{
    const QString file = path("keep.xml");
    QVERIFY(writeFile(file, "<ZelPOLinkDefs><A n=\"1\"/></ZelPOLinkDefs>"));
    XmlDocumentHandle doc;
    QVERIFY(OpenXmlDocument(doc, file, "ZelPOLinkDefs"));

    QVERIFY(writeFile(file, "<ZelPOLinkDefs><A n=\"2\"/></ZelPOLinkDefs>"));
    QVERIFY(OpenXmlDocument(doc, file, "ZelPOLinkDefs"));
    QCOMPARE(doc->root().child("A").attribute("n").as_int(), 1);

    doc->clear();
    QVERIFY(OpenXmlDocument(doc, file, "ZelPOLinkDefs"));
    QCOMPARE(doc->root().child("A").attribute("n").as_int(), 2);
}

void TstXmlDocument::wrongRootReturnsFalseButStaysOpen()
{
    const QString file = path("other.xml");
    QVERIFY(writeFile(file, "<Other><A/></Other>"));
    XmlDocumentHandle doc;
    QVERIFY(!OpenXmlDocument(doc, file, "ZelAlarmDefinitions"));
    QVERIFY(doc->hasContent());
    QCOMPARE(doc->root().name(), std::string("Other"));
    QVERIFY(doc->root().child("A"));
}

void TstXmlDocument::malformedFileLeavesDocumentNotOpen()
{
    const QString file = path("broken.xml");
    // The parser would keep the first element of this file as a partial tree.
    QVERIFY(writeFile(file, "<POAlarmStatus><Alarm pcu=\"a\"/><Alarm"));
    XmlDocumentHandle doc;
    QVERIFY(!OpenXmlDocument(doc, file, "POAlarmStatus"));
    QVERIFY(!doc->hasContent());
    QVERIFY(!doc->root());
    QVERIFY(!SaveXmlDocument(doc, file));
    QCOMPARE(readFile(file), QByteArray("<POAlarmStatus><Alarm pcu=\"a\"/><Alarm"));
}

void TstXmlDocument::findChildNode_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArrayList>("filter"); // name, value, name, value ...
    QTest::addColumn<QByteArray>("expectedId"); // empty: nothing found

    const QByteArray flat =
        "<R><X id='x1' a='5'/><L id='l1' a='05' b=''/><L id='l2' a='5'/><L id='l3' a='5'/></R>";
    QTest::newRow("empty filter gives first of name")
        << flat << QByteArray("L") << QByteArrayList() << QByteArray("l1");
    QTest::newRow("first match in document order")
        << flat << QByteArray("L") << QByteArrayList{"a", "5"} << QByteArray("l2");
    QTest::newRow("5 does not match 05")
        << flat << QByteArray("L") << QByteArrayList{"a", "05"} << QByteArray("l1");
    QTest::newRow("empty required value matches empty attribute")
        << flat << QByteArray("L") << QByteArrayList{"b", ""} << QByteArray("l1");
    QTest::newRow("absent attribute never matches, not even empty")
        << flat << QByteArray("L") << QByteArrayList{"c", ""} << QByteArray();
    QTest::newRow("all pairs must match")
        << flat << QByteArray("L") << QByteArrayList{"a", "5", "id", "l3"} << QByteArray("l3");
    QTest::newRow("names are case-sensitive")
        << flat << QByteArray("l") << QByteArrayList() << QByteArray();
    QTest::newRow("not found inside another name")
        << QByteArray("<R><P><Q><L id='deep'/></Q></P></R>") << QByteArray("L") << QByteArrayList()
        << QByteArray();
    QTest::newRow("found inside an element of the same name")
        << QByteArray("<R><L id='outer'><L id='inner' k='1'/></L><L id='next' k='1'/></R>")
        << QByteArray("L") << QByteArrayList{"k", "1"} << QByteArray("inner");
}

void TstXmlDocument::findChildNode()
{
    QFETCH(QByteArray, xml);
    QFETCH(QByteArray, name);
    QFETCH(QByteArrayList, filter);
    QFETCH(QByteArray, expectedId);

    const XmlDocumentHandle doc = parse(xml.constData());
    AttributeFilter pairs;
    for (int i = 0; i + 1 < filter.size(); i += 2)
        pairs.emplace_back(filter[i].toStdString(), filter[i + 1].toStdString());
    const pugi::xml_node found = FindChildNode(doc->root(), name.toStdString(), pairs);
    QCOMPARE(QByteArray(found.attribute("id").value()), expectedId);
    QCOMPARE(bool(found), !expectedId.isEmpty());
}

void TstXmlDocument::saveWritesLatin1WithTabsAndReadsBack()
{
    const QString file = path("latin.xml");
    XmlDocumentHandle doc;
    QVERIFY(OpenXmlDocument(doc, file, "ZelAlarmDefinitions"));
    pugi::xml_node loc = doc->root().append_child("ZelLocation");
    loc.append_attribute("nr") = "0012";
    loc.append_attribute("name") = "Kas \xc3\xa9\xc3\xa9n"; // "Kas één" in UTF-8
    loc.append_child("ZelAlarm").append_attribute("nr") = "05";
    QVERIFY(SaveXmlDocument(doc, file));

    const QByteArray expected = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                                "<ZelAlarmDefinitions>\n"
                                "\t<ZelLocation nr=\"0012\" name=\"Kas \xe9\xe9n\">\n"
                                "\t\t<ZelAlarm nr=\"05\" />\n"
                                "\t</ZelLocation>\n"
                                "</ZelAlarmDefinitions>\n";
    QCOMPARE(readFile(file), expected);

    XmlDocumentHandle reread;
    QVERIFY(OpenXmlDocument(reread, file, "ZelAlarmDefinitions"));
    const pugi::xml_node back = FindChildNode(reread->root(), "ZelLocation", {{"nr", "0012"}});
    QCOMPARE(std::string(back.attribute("name").value()), std::string("Kas \xc3\xa9\xc3\xa9n"));
    QVERIFY(FindChildNode(back, "ZelAlarm", {{"nr", "05"}}));
}

void TstXmlDocument::saveOfUtf8FileRewritesDeclaration()
{
    const QString file = path("utf8.xml");
    QVERIFY(writeFile(file,
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><ZelPOLinkDefs t=\"\xc3\xa9\"/>"));
    XmlDocumentHandle doc;
    QVERIFY(OpenXmlDocument(doc, file, "ZelPOLinkDefs"));
    QCOMPARE(std::string(doc->root().attribute("t").value()), std::string("\xc3\xa9"));
    QVERIFY(SaveXmlDocument(doc, file));
    QCOMPARE(readFile(file), QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                                        "<ZelPOLinkDefs t=\"\xe9\" />\n"));
}

void TstXmlDocument::saveFailuresReturnFalse()
{
    XmlDocumentHandle empty;
    QVERIFY(!SaveXmlDocument(empty, path("never.xml")));

    XmlDocumentHandle doc;
    QVERIFY(OpenXmlDocument(doc, path("a.xml"), "R"));
    QVERIFY(!SaveXmlDocument(doc, path("no-such-dir/a.xml")));
    QVERIFY(!QFile::exists(path("never.xml")));
}

void TstXmlDocument::rootForNameCheckSkipsDeclaration()
{
    XmlDocument plain;
    plain.dom().load_string("<Root/>");
    QCOMPARE(plain.rootForNameCheck().name(), std::string("Root"));

    XmlDocument declared;
    declared.dom().load_string("<?xml version=\"1.0\"?><Root/>",
                               pugi::parse_default | pugi::parse_declaration);
    QCOMPARE(declared.rootForNameCheck().name(), std::string("Root"));
}

// A parsed tree points into the text it was read from, which for a short text lies inside the
// string object itself: a moved document must take its text along.
void TstXmlDocument::movedDocumentKeepsItsContent()
{
    XmlDocument read;
    QVERIFY(read.parse("<R a=\"b\"/>"));
    const XmlDocument moved(std::move(read));
    QCOMPARE(QByteArray(moved.root().name()), QByteArray("R"));
    QCOMPARE(QByteArray(moved.root().attribute("a").value()), QByteArray("b"));
}

QTEST_GUILESS_MAIN(TstXmlDocument)
#include "tst_xmldocument.moc"
