#include "XmlDump.h"
#include "store/NodeKeyIndex.h"

#include <QTest>

namespace {

using Key = std::pair<std::string, std::string>;

// Every key that some element of the document carries, plus a few that none does.
std::vector<Key> candidateKeys(const pugi::xml_document& dom)
{
    std::vector<Key> keys{{"", ""}, {"zz", "zz"}, {"a", ""}};
    for (const pugi::xpath_node& found : dom.select_nodes("//*")) {
        const pugi::xml_node node = found.node();
        keys.emplace_back(node.attribute("a").value(), node.attribute("b").value());
    }
    return keys;
}

QByteArray idOf(pugi::xml_node node)
{
    return node ? QByteArray(node.attribute("id").value()) : QByteArray("(none)");
}

} // namespace

class TstNodeKeyIndex : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void findsWhatFindChildNodeFinds_data();
    void findsWhatFindChildNodeFinds();
    void addedNodesAreFoundBehindEarlierOnes();
};

void TstNodeKeyIndex::findsWhatFindChildNodeFinds_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::newRow("first of duplicates") << QByteArray(
        "<R><E id='1' a='x' b='y'/><E id='2' a='x' b='y'/><E id='3' a='x' b=''/></R>");
    QTest::newRow("absent attribute is not an empty value")
        << QByteArray("<R><E id='1' a=''/><E id='2' a='' b=''/><E id='3' b=''/></R>");
    QTest::newRow("values whose joins would collide")
        << QByteArray("<R><E id='1' a='p q' b='r'/><E id='2' a='p' b='q r'/>"
                      "<E id='3' a='1:a' b=''/><E id='4' a='' b='1:a'/>"
                      "<E id='5' a='c:' b='d'/><E id='6' a='c' b=':d'/></R>");
    QTest::newRow("other names are skipped, also deep inside")
        << QByteArray("<R><F id='1' a='x' b='y'><E id='2' a='x' b='y'/></F>"
                      "<E id='3' a='x' b='y'/></R>");
    QTest::newRow("descends through elements of the same name")
        << QByteArray("<R><E id='1' a='o' b='o'><E id='2' a='x' b='y'/><E id='3' a='o' b='o'/>"
                      "</E><E id='4' a='x' b='y'/><E id='5'><E id='6' a='n' b='n'/></E></R>");
    QTest::newRow("values compared exactly") << QByteArray(
        "<R><E id='1' a='5' b='x'/><E id='2' a='05' b='x'/><E id='3' a='X' b='x'/></R>");
}

void TstNodeKeyIndex::findsWhatFindChildNodeFinds()
{
    QFETCH(QByteArray, xml);
    const auto doc = ParseDocument(xml);
    QVERIFY(doc->hasContent());
    const NodeKeyIndex index(doc->root(), "E", {"a", "b"});
    for (const auto& [a, b] : candidateKeys(doc->dom())) {
        const pugi::xml_node expected = FindChildNode(doc->root(), "E", {{"a", a}, {"b", b}});
        QCOMPARE(idOf(index.find({a, b})), idOf(expected));
    }
}

void TstNodeKeyIndex::addedNodesAreFoundBehindEarlierOnes()
{
    const auto doc = ParseDocument("<R><E id='1' a='x'/></R>");
    NodeKeyIndex index(doc->root(), "E", {"a"});
    pugi::xml_node root = doc->root();
    for (const char* id : {"2", "3"}) {
        pugi::xml_node added = root.append_child("E");
        added.append_attribute("id") = id;
        added.append_attribute("a") = id[0] == '2' ? "x" : "y";
        index.add(added);
    }
    QCOMPARE(idOf(index.find({"x"})), QByteArray("1"));
    QCOMPARE(idOf(index.find({"y"})), QByteArray("3"));
    QCOMPARE(idOf(index.find({"x", "y"})), QByteArray("(none)"));
}

QTEST_GUILESS_MAIN(TstNodeKeyIndex)
#include "tst_nodekeyindex.moc"
