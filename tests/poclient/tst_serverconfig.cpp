#include "../store/EncodingRows.h"
#include "../store/XmlDump.h"
#include "TestFiles.h"
#include "core/Directories.h"
#include "core/Log.h"
#include "core/TextFile.h"
#include "poclient/ServerConfigReader.h"
#include "store/Documents.h"
#include "store/XmlParseError.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

XmlDocumentHandle linkDefsWith(const QByteArray& children)
{
    return ParseDocument("<ZelPOLinkDefs>" + children + "</ZelPOLinkDefs>");
}

// The messages logged for the office list, without their time of day.
QStringList poListMessages(const QSignalSpy& spy)
{
    // The time is in the system's format, which may hold a blank ("8:00:00 AM").
    const qsizetype timeWords = longTimeText(QTime(12, 0)).count(u' ') + 1;
    QStringList messages;
    for (const QList<QVariant>& call : spy) {
        if (call.at(0).toInt() == LogPoList)
            messages << call.at(1).toString().section(u' ', timeWords);
    }
    return messages;
}

} // namespace

class TstServerConfig : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void readServerConfig_data();
    void readServerConfig();
    void malformedAnswerChangesNothing();
    void readsAnswerInItsEncoding_data();
    void readsAnswerInItsEncoding();
    void refreshExceptionTexts();
    void refreshNeedsBothContainers_data();
    void refreshNeedsBothContainers();
    void changedTypeTextReachesNoException();
    void incompleteAnswerRefreshesNothing();

private:
    QTemporaryDir m_dir;
};

// PO.ini beside a program directory in the temporary folder points the data directory, and
// so LinkDefs.xml, there.
void TstServerConfig::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("zel/data")));
    QFile ini(m_dir.filePath(QStringLiteral("PO.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Application]\ndatapath=" + m_dir.filePath(QStringLiteral("zel/data")).toUtf8() +
              "\n");
    ini.close();
    resetDirectories(m_dir.path());
    Log::instance().setFileName(m_dir.filePath(QStringLiteral("zel/data/ZELPO.LOG")));
    QVERIFY2(linkDefsPath().startsWith(m_dir.path(), kFileNameCase), qPrintable(linkDefsPath()));
}

void TstServerConfig::init()
{
    QFile::remove(linkDefsPath());
}

void TstServerConfig::cleanupTestCase()
{
    resetDirectories();
}

void TstServerConfig::readServerConfig_data()
{
    QTest::addColumn<QByteArray>("linkDefs"); // children of the root
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QString>("locations");  // children of PO_Locations afterwards
    QTest::addColumn<QString>("alarmTypes"); // children of PO_AlarmTypes afterwards
    QTest::addColumn<bool>("logged");        // the start and finish lines

    QTest::newRow("new locations and types appended unassigned, whatever the element names")
        << QByteArray()
        << QByteArray("<config><alarmlocations><loc pcu='Pcu1' text='Kas 1'/>"
                      "<x pcu='Pcu2' text='Kas 2' extra='y'/></alarmlocations>"
                      "<alarmtypes><t nr='7' text='Hoog'/><u nr='8'/></alarmtypes></config>")
        << true
        << QStringLiteral("PO_loc(pcu=Pcu1|text=Kas 1|zel_alarm=0);"
                          "PO_loc(pcu=Pcu2|text=Kas 2|zel_alarm=0)")
        << QStringLiteral("PO_Alarm(nr=7|text=Hoog);PO_Alarm(nr=8|text=)") << true;
    QTest::newRow("known entries stay as they are, new ones follow them")
        << QByteArray("<PO_Locations><PO_loc pcu='Pcu9' text='Weg' zel_alarm='0012 - 05'/>"
                      "<PO_loc pcu='Pcu1' text='Kas 1' zel_alarm=''/></PO_Locations>"
                      "<PO_AlarmTypes><PO_Alarm nr='7' text='Hoog'/></PO_AlarmTypes>")
        << QByteArray("<c><alarmlocations><l pcu='Pcu3' text='Kas 3'/>"
                      "<l pcu='Pcu1' text='Kas 1'/></alarmlocations>"
                      "<alarmtypes><t nr='7' text='Te hoog'/><t nr='9' text='Storing'/>"
                      "</alarmtypes></c>")
        << true
        << QStringLiteral("PO_loc(pcu=Pcu9|text=Weg|zel_alarm=0012 - 05);"
                          "PO_loc(pcu=Pcu1|text=Kas 1|zel_alarm=);"
                          "PO_loc(pcu=Pcu3|text=Kas 3|zel_alarm=0)")
        << QStringLiteral("PO_Alarm(nr=7|text=Hoog);PO_Alarm(nr=9|text=Storing)") << true;
    QTest::newRow("missing attributes: placeholder and -1, each added once")
        << QByteArray()
        << QByteArray("<c><alarmlocations><l/><l/><l pcu='P'/></alarmlocations>"
                      "<alarmtypes><t text='a'/><t text='b'/></alarmtypes></c>")
        << true
        << QStringLiteral("PO_loc(pcu=-\\-|text=-\\-|zel_alarm=0);"
                          "PO_loc(pcu=P|text=-\\-|zel_alarm=0)")
        << QStringLiteral("PO_Alarm(nr=-1|text=a)") << true;
    // An empty value and a missing one are one key: stored as the placeholder, and a link
    // stored either way is not added again.
    QTest::newRow("empty pcu and text are stored as the placeholder, once")
        << QByteArray()
        << QByteArray("<c><alarmlocations><l pcu='' text='Kas'/><l text='Kas'/>"
                      "<l pcu='' text=''/><l/></alarmlocations><alarmtypes/></c>")
        << true
        << QStringLiteral("PO_loc(pcu=-\\-|text=Kas|zel_alarm=0);"
                          "PO_loc(pcu=-\\-|text=-\\-|zel_alarm=0)")
        << QString() << true;
    QTest::newRow("a link stored with an empty pcu is known to the placeholder")
        << QByteArray("<PO_Locations><PO_loc pcu='' text='Kas' zel_alarm='0012 - 05'/>"
                      "<PO_loc text='Zuid' zel_alarm='0012 - 06'/></PO_Locations>")
        << QByteArray("<c><alarmlocations><l text='Kas'/><l pcu='' text='Zuid'/>"
                      "</alarmlocations><alarmtypes/></c>")
        << true
        << QStringLiteral("PO_loc(pcu=|text=Kas|zel_alarm=0012 - 05);"
                          "PO_loc(text=Zuid|zel_alarm=0012 - 06)")
        << QString() << true;
    QTest::newRow("empty lists log and add nothing")
        << QByteArray() << QByteArray("<c><alarmlocations/><alarmtypes/></c>") << true << QString()
        << QString() << true;
    QTest::newRow("no alarm types: locations still added, containers created")
        << QByteArray()
        << QByteArray("<c><alarmlocations><l pcu='P' text='T'/></alarmlocations></c>") << false
        << QStringLiteral("PO_loc(pcu=P|text=T|zel_alarm=0)") << QString() << true;
    QTest::newRow("no locations: nothing logged, types still added")
        << QByteArray() << QByteArray("<c><alarmtypes><t nr='1' text='x'/></alarmtypes></c>")
        << false << QString() << QStringLiteral("PO_Alarm(nr=1|text=x)") << false;
    QTest::newRow("lists count only as children of the root")
        << QByteArray()
        << QByteArray("<c><w><alarmlocations><l pcu='P' text='T'/></alarmlocations>"
                      "<alarmtypes/></w></c>")
        << false << QString() << QString() << false;
}

void TstServerConfig::readServerConfig()
{
    QFETCH(QByteArray, linkDefs);
    QFETCH(QByteArray, answer);
    QFETCH(bool, complete);
    QFETCH(QString, locations);
    QFETCH(QString, alarmTypes);
    QFETCH(bool, logged);

    const XmlDocumentHandle doc = linkDefsWith(linkDefs);
    QSignalSpy lines(&Log::instance(), &Log::listLine);
    QCOMPARE(ReadServerConfig(doc, answer.toStdString()), complete);

    const pugi::xml_node root = doc->root();
    QVERIFY(root.child("PO_Locations"));
    QVERIFY(root.child("PO_AlarmTypes"));
    QCOMPARE(DumpChildren(root.child("PO_Locations")), locations);
    QCOMPARE(DumpChildren(root.child("PO_AlarmTypes")), alarmTypes);
    const QStringList expectedLines =
        logged ? QStringList{QStringLiteral("Start processing server config data"),
                             QStringLiteral("Finish processing server config data")}
               : QStringList();
    QCOMPARE(poListMessages(lines), expectedLines);

    // The reader never writes the file: the document's owner saves whatever was added.
    QVERIFY(!QFile::exists(linkDefsPath()));
}

void TstServerConfig::malformedAnswerChangesNothing()
{
    const XmlDocumentHandle doc = linkDefsWith("<PO_Locations/>");
    const QString before = DumpNode(doc->root());
    QSignalSpy lines(&Log::instance(), &Log::listLine);
    QVERIFY_THROWS_EXCEPTION(
        XmlParseError, ReadServerConfig(doc, "<c><alarmlocations><l pcu='P'></alarmlocations>"));
    QCOMPARE(DumpNode(doc->root()), before);
    QCOMPARE(lines.count(), 0);
    QVERIFY(!QFile::exists(linkDefsPath()));
}

void TstServerConfig::readsAnswerInItsEncoding_data()
{
    addEncodingRows();
}

// Location and alarm type texts are stored as UTF-8 whatever the answer's encoding, and what
// is saved reads back the same; an answer that cannot be decoded changes nothing.
void TstServerConfig::readsAnswerInItsEncoding()
{
    QFETCH(QByteArray, prolog);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, expected);
    QFETCH(bool, decodes);

    const XmlDocumentHandle doc = linkDefsWith("<PO_Locations/>");
    const QByteArray answer = prolog + "<c><alarmlocations><l pcu='P' text='" + value +
                              "'/></alarmlocations><alarmtypes><t nr='1' text='" + value +
                              "'/></alarmtypes></c>";
    if (!decodes) {
        const QString before = DumpNode(doc->root());
        QVERIFY_THROWS_EXCEPTION(XmlParseError, ReadServerConfig(doc, answer.toStdString()));
        QCOMPARE(DumpNode(doc->root()), before);
        QVERIFY(!QFile::exists(linkDefsPath()));
        return;
    }
    QVERIFY(ReadServerConfig(doc, answer.toStdString()));
    const pugi::xml_node root = doc->root();
    QCOMPARE(QByteArray(root.child("PO_Locations").child("PO_loc").attribute("text").value()),
             expected);
    QCOMPARE(QByteArray(root.child("PO_AlarmTypes").child("PO_Alarm").attribute("text").value()),
             expected);
    // What the answer brought survives the owner's save and a new read.
    QVERIFY(SaveLinkDefs(doc));
    XmlDocumentHandle saved;
    QVERIFY(OpenLinkDefs(saved));
    QCOMPARE(DumpNode(saved->root()), DumpNode(root));
}

void TstServerConfig::refreshExceptionTexts()
{
    const XmlDocumentHandle doc = linkDefsWith(
        "<PO_Locations><PO_loc pcu='P' text='T' zel_alarm='0012 - 05'>"
        "<Except nr='7' text='old' zel_alarm=''/><Except nr='8' zel_alarm=''/>"
        "<Except nr='9' text='keep' zel_alarm=''/><Except nr='5' text='none' zel_alarm=''/>"
        "<Except text='no nr' zel_alarm=''/></PO_loc></PO_Locations>"
        "<PO_AlarmTypes><PO_Alarm nr='7' text='Hoog'/><PO_Alarm nr='8' text='Laag'/>"
        "<PO_Alarm nr='9'/></PO_AlarmTypes>"
        "<PO_Exceptions><Except nr='8' text='old' zel_alarm=''/></PO_Exceptions>");
    RefreshExceptionTexts(*doc);
    const pugi::xml_node root = doc->root();
    QCOMPARE(DumpChildren(root.child("PO_Locations").child("PO_loc")),
             QStringLiteral("Except(nr=7|text=Hoog|zel_alarm=);Except(nr=8|zel_alarm=);"
                            "Except(nr=9|text=keep|zel_alarm=);Except(nr=5|text=none|zel_alarm=);"
                            "Except(text=no nr|zel_alarm=)"));
    QCOMPARE(DumpChildren(root.child("PO_Exceptions")),
             QStringLiteral("Except(nr=8|text=Laag|zel_alarm=)"));
}

void TstServerConfig::refreshNeedsBothContainers_data()
{
    QTest::addColumn<QByteArray>("linkDefs"); // children of the root

    QTest::newRow("no alarm types")
        << QByteArray("<PO_Locations><PO_loc pcu='P' text='T' zel_alarm=''>"
                      "<Except nr='7' text='old' zel_alarm=''/></PO_loc></PO_Locations>"
                      "<PO_Exceptions><Except nr='7' text='old' zel_alarm=''/></PO_Exceptions>");
    QTest::newRow("no locations: the general exceptions stay too")
        << QByteArray("<PO_AlarmTypes><PO_Alarm nr='7' text='Hoog'/></PO_AlarmTypes>"
                      "<PO_Exceptions><Except nr='7' text='old' zel_alarm=''/></PO_Exceptions>");
    QTest::newRow("alarm types nested elsewhere do not count")
        << QByteArray("<PO_Locations><PO_AlarmTypes><PO_Alarm nr='7' text='Hoog'/>"
                      "</PO_AlarmTypes></PO_Locations>"
                      "<PO_Exceptions><Except nr='7' text='old' zel_alarm=''/></PO_Exceptions>");
}

void TstServerConfig::refreshNeedsBothContainers()
{
    QFETCH(QByteArray, linkDefs);
    const XmlDocumentHandle doc = linkDefsWith(linkDefs);
    const QString before = DumpNode(doc->root());
    QVERIFY(before.contains(QStringLiteral("text=old")));
    RefreshExceptionTexts(*doc);
    QCOMPARE(DumpNode(doc->root()), before);
}

// The reader keeps an alarm type's first text, and the exceptions take theirs from it.
void TstServerConfig::changedTypeTextReachesNoException()
{
    const XmlDocumentHandle doc =
        linkDefsWith("<PO_Locations><PO_loc pcu='P' text='T' zel_alarm=''>"
                     "<Except nr='7' text='Hoog' zel_alarm=''/></PO_loc></PO_Locations>"
                     "<PO_AlarmTypes><PO_Alarm nr='7' text='Hoog'/></PO_AlarmTypes>"
                     "<PO_Exceptions><Except nr='7' text='Hoog' zel_alarm=''/></PO_Exceptions>");
    const QString before = DumpNode(doc->root());
    QVERIFY(ReadServerConfig(doc, "<c><alarmlocations><l pcu='P' text='T'/></alarmlocations>"
                                  "<alarmtypes><t nr='7' text='Te hoog'/></alarmtypes></c>"));
    QCOMPARE(DumpNode(doc->root()), before);
}

void TstServerConfig::incompleteAnswerRefreshesNothing()
{
    const XmlDocumentHandle doc =
        linkDefsWith("<PO_Locations/><PO_AlarmTypes><PO_Alarm nr='7' text='Hoog'/></PO_AlarmTypes>"
                     "<PO_Exceptions><Except nr='7' text='old' zel_alarm=''/></PO_Exceptions>");
    QVERIFY(!ReadServerConfig(doc, "<c><alarmtypes/></c>"));
    QCOMPARE(DumpChildren(doc->root().child("PO_Exceptions")),
             QStringLiteral("Except(nr=7|text=old|zel_alarm=)"));
    QVERIFY(ReadServerConfig(doc, "<c><alarmlocations/><alarmtypes/></c>"));
    QCOMPARE(DumpChildren(doc->root().child("PO_Exceptions")),
             QStringLiteral("Except(nr=7|text=Hoog|zel_alarm=)"));
}

QTEST_GUILESS_MAIN(TstServerConfig)
#include "tst_serverconfig.moc"
