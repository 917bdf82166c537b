#include "XmlDump.h"
#include "store/LinkDefs.h"

#include <QTest>

Q_DECLARE_METATYPE(LinkKey)

// The rows of the definitions grid name their elements by keys.
class TstLinkKeys : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keyedEditsReachTheirElement_data();
    void keyedEditsReachTheirElement();
};

void TstLinkKeys::keyedEditsReachTheirElement_data()
{
    QTest::addColumn<LinkKey>("key");
    QTest::addColumn<bool>("remove");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QString>("after");

    using K = LinkKey;
    const QString before = QStringLiteral(
        "PO_Locations(){PO_loc(pcu=|text=|zel_alarm=0);PO_loc(pcu=--|text=T|zel_alarm=0)"
        "{Except(nr=4:1|zel_alarm=)}};PO_Exceptions(){Except(nr=4|zel_alarm=)}");
    const auto assigned = [&](const char* from, const char* to) {
        return QString(before).replace(QLatin1String(from), QLatin1String(to));
    };
    QTest::newRow("a location stored with empty pcu and text, named by placeholders")
        << K{K::Location, "-\\-", "-\\-", ""} << false << true
        << assigned("pcu=|text=|zel_alarm=0", "pcu=|text=|zel_alarm=0012 - 01|zel_group=");
    QTest::newRow("a location whose own pcu is --")
        << K{K::Location, "--", "T", ""} << false << true
        << assigned("pcu=--|text=T|zel_alarm=0)", "pcu=--|text=T|zel_alarm=0012 - 01|zel_group=)");
    QTest::newRow("an exception numbered 4:1")
        << K{K::LocationException, "--", "T", "4:1"} << false << true
        << assigned("nr=4:1|zel_alarm=", "nr=4:1|zel_alarm=0012 - 01|zel_group=");
    QTest::newRow("general exception 4")
        << K{K::GeneralException, "", "", "4"} << false << true
        << assigned("nr=4|zel_alarm=)", "nr=4|zel_alarm=0012 - 01|zel_group=)");
    QTest::newRow("a location that is not there")
        << K{K::Location, "P", "T", ""} << false << false << before;
    QTest::newRow("removing the exception row removes its location")
        << K{K::LocationException, "--", "T", "4:1"} << true << true
        << QStringLiteral("PO_Locations(){PO_loc(pcu=|text=|zel_alarm=0)};"
                          "PO_Exceptions(){Except(nr=4|zel_alarm=)}");
    QTest::newRow("removing general exception 4 keeps exception 4:1")
        << K{K::GeneralException, "", "", "4"} << true << true
        << QStringLiteral("PO_Locations(){PO_loc(pcu=|text=|zel_alarm=0);PO_loc(pcu=--|text=T|"
                          "zel_alarm=0){Except(nr=4:1|zel_alarm=)}};PO_Exceptions()");
    QTest::newRow("removing what is not there")
        << K{K::GeneralException, "", "", "4:1"} << true << false << before;
}

// A grid row names its element by a key; the key reaches exactly that element, also where the
// "--" and ":" of the cells could not tell.
void TstLinkKeys::keyedEditsReachTheirElement()
{
    QFETCH(LinkKey, key);
    QFETCH(bool, remove);
    QFETCH(bool, changed);
    QFETCH(QString, after);

    const auto doc = ParseDocument("<ZelPOLinkDefs><PO_Locations>"
                                   "<PO_loc pcu='' text='' zel_alarm='0'/>"
                                   "<PO_loc pcu='--' text='T' zel_alarm='0'>"
                                   "<Except nr='4:1' zel_alarm=''/></PO_loc></PO_Locations>"
                                   "<PO_Exceptions><Except nr='4' zel_alarm=''/></PO_Exceptions>"
                                   "</ZelPOLinkDefs>");
    const bool done = remove ? removeLinkAt(*doc, key) : assignLinkAt(*doc, key, "0012 - 01", "");
    QCOMPARE(done, changed);
    QCOMPARE(DumpChildren(doc->root()), after);
}

QTEST_GUILESS_MAIN(TstLinkKeys)
#include "tst_linkkeys.moc"
