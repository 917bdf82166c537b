#include "ForwardingFixtures.h"

#include "ui/MainWindow.h"
#include "ui/pages/DefinitionsGrid.h"
#include "ui/pages/LinkConfigPage.h"
#include "ui/pages/ZelTreeItem.h"
#include "ui/pages/ZelTreePane.h"

#include "core/Directories.h"
#include "core/Language.h"
#include "store/Documents.h"
#include "store/LinkDefs.h"
#include "store/XmlDocument.h"
#include "store/ZelDefs.h"
#include "store/ZelDefsExchange.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using namespace ForwardingFixtures;

namespace {

const QByteArray kConfiguration = R"(<alarmserverconfig>
	<alarmlocations><location pcu="Pcu1" text="Kas 3"/><location pcu="Pcu1" text="Kas 4"/></alarmlocations>
	<alarmtypes><type nr="1" text="Temperatuur"/></alarmtypes>
</alarmserverconfig>
)";

// The node opened as the operator opens it: a location makes its alarm nodes then.
QTreeWidgetItem* opened(QTreeWidgetItem* node)
{
    if (node)
        node->setExpanded(true);
    return node;
}

QTreeWidgetItem* child(QTreeWidgetItem* parent, const QString& text)
{
    opened(parent);
    for (int i = 0; parent && i < parent->childCount(); ++i) {
        if (parent->child(i)->text(0) == text)
            return parent->child(i);
    }
    return nullptr;
}

// Pcu1's Kas 3 and Kas 4 with no ZEL alarm, and what else each case needs.
QByteArray unlinkedDefs(const QByteArray& kas3Exception, const QByteArray& generalExceptions)
{
    return R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<ZelPOLinkDefs>
	<PO_Locations>
		<PO_loc pcu="Pcu1" text="Kas 3" zel_alarm="" zel_group="">)" +
           kas3Exception + R"(</PO_loc>
		<PO_loc pcu="Pcu1" text="Kas 4" zel_alarm="" zel_group="" />
	</PO_Locations>
	<PO_Exceptions>)" +
           generalExceptions + R"(</PO_Exceptions>
</ZelPOLinkDefs>
)";
}

// The page on the engine's documents, its tree and grid filled as the window fills them.
ZelTreePane& showEngineDocuments(LinkConfigPage& page, EngineHarness& h)
{
    page.setDocuments(&h.engine().zelDefs(), &h.engine().linkDefs());
    ZelTreePane& pane = page.zelTree();
    pane.FillZelTree();
    page.FillDefinitionsGrid(*h.engine().linkDefs().document());
    return pane;
}

// The operator's way: click the ZEL alarm in the tree, select the grid row, press Assign. The
// page saves the link at once.
void assignThroughPage(EngineHarness& h, const QString& zelAlarmNode, const LinkKey& rowKey,
                       const char* zelAlarm)
{
    LinkConfigPage page;
    ZelTreePane& pane = showEngineDocuments(page, h);
    QTreeWidgetItem* alarm =
        child(child(pane.tvZelLoc().topLevelItem(0), u"Kas (12)"_s), zelAlarmNode);
    QVERIFY(alarm);
    pane.tvZelLoc().setCurrentItem(alarm);
    pane.tvZelLocClick();
    DefinitionsGrid& grid = page.sgMain();
    int row = 0;
    while (row < grid.rowCount() && !(grid.rowKey(row) == rowKey))
        ++row;
    QVERIFY(row < grid.rowCount());
    grid.selectRow(row);
    page.findChild<QToolButton*>(u"tbConnect"_s)->click();
    QCOMPARE(grid.cellText(row, DefinitionColumn::ZelAlarm), QString::fromLatin1(zelAlarm));
    XmlDocumentHandle saved;
    QVERIFY(OpenXmlDocument(saved, h.poDataPath("LinkDefs.xml"), kLinkDefsRoot).ok());
    QCOMPARE(
        QString::fromUtf8(findLinkElement(*saved, rowKey).attribute(LinkDefsXml::ZelAlarm).value()),
        QString::fromLatin1(zelAlarm));
}

} // namespace

// The tree edits the documents the running engine reads, through their shared owners.
// A program folder with PO.ini naming the data folder beside it, and this catalogue in PoData;
// the directories are those of that folder from now on.
bool layOutProgram(const QTemporaryDir& root, const QByteArray& zelDefs)
{
    QDir dir(root.path());
    if (!dir.mkpath(u"bin"_s) || !dir.mkpath(u"data"_s) || !dir.mkpath(u"PoData"_s))
        return false;
    QFile ini(dir.filePath(u"bin/PO.ini"_s));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    ini.write("[Application]\ndatapath=" + dir.filePath(u"data"_s).toUtf8() + "\n");
    ini.close();
    QFile zel(dir.filePath(u"PoData/ZelDefs.xml"_s));
    if (!zel.open(QIODevice::WriteOnly) || zel.write(zelDefs) != zelDefs.size())
        return false;
    zel.close();
    resetDirectories(dir.filePath(u"bin"_s));
    return true;
}

class TstZelTreeEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { FillLanguageTable(u"ENG"_s); }
    void cleanup() { resetLanguageTable(); }
    void deletedAlarmIsSeenByTheNextPollAndSurvivesAFetch();
    void windowFillsTheTreeAtStartUp();
    void twoFormsOfOneCodeAreMergedWhenRead();
    void assignedAlarmIsUsedAtTheNextPoll();
    void locationsWithoutPcuOrTextAreLinkedForGood();
    void largeImportLeavesTheWatchdogOnTime();
    void alarmActiveBeforeItsLinkGoesOutOnce_data();
    void alarmActiveBeforeItsLinkGoesOutOnce();
    void movedLinkLeavesTheRaisedAlarmWhereItWent_data();
    void movedLinkLeavesTheRaisedAlarmWhereItWent();
};

void TstZelTreeEngine::deletedAlarmIsSeenByTheNextPollAndSurvivesAFetch()
{
    EngineHarness h;
    h.writeLinkDefs(linkDefs(""));
    h.writeZelDefs(zelDefs(0, 0));
    h.setAlarms(activeAlarms({"Kas 3", "Kas 4"}));
    h.setConfiguration(kConfiguration);
    QVERIFY(h.start());

    LinkConfigPage page;
    page.setDocuments(&h.engine().zelDefs(), &h.engine().linkDefs());
    ZelTreePane& pane = page.zelTree();
    pane.interaction().ask = [](QMessageBox::Icon, const QString&) { return true; };
    pane.FillZelTree();
    page.FillDefinitionsGrid(*h.engine().linkDefs().document());

    QTreeWidgetItem* alarm =
        child(child(pane.tvZelLoc().topLevelItem(0), u"Kas (12)"_s), u"Kas 3 (3)"_s);
    QVERIFY(alarm);
    pane.tvZelLoc().setCurrentItem(alarm);
    page.findChild<QToolButton*>(u"tbDelete"_s)->click();
    QVERIFY(!ZelAlarmExists(*h.engine().zelDefs().document(), "0012 - 03"));

    // Kas 3 is no longer linked: it raises the configuration alarm, Kas 4 goes out.
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.alarmLines(),
             (QStringList{kConfigurationAlarm,
                          u"[ZEL RCVALARM 02,0012,04,T,,Pcu1 Kas 4 Temp te hoog]"_s}));
    QCOMPARE(h.logCount("No definition found for alarm: Kas 3, 1"), 1);

    QSignalSpy reloaded(&h.engine(), &Engine::definitionsReloaded);
    h.engine().requestRefresh();
    QVERIFY(reloaded.wait(10000));
    const QByteArray linkDefsOnDisk = h.readPoData("LinkDefs.xml");
    QCOMPARE(xmlAttribute(linkDefsOnDisk, "//PO_loc[@text='Kas 3']", "zel_alarm"), QString());
    QCOMPARE(xmlAttribute(linkDefsOnDisk, "//PO_loc[@text='Kas 4']", "zel_alarm"), u"0012 - 04"_s);
    QCOMPARE(xmlAttribute(h.readPoData("ZelDefs.xml"), "//Alarm[@Code='3']", "Name"),
             u"<absent>"_s);
}

// The documents are open before the tree is filled, and the tree before the grid.
void TstZelTreeEngine::windowFillsTheTreeAtStartUp()
{
    QTemporaryDir root;
    QVERIFY(layOutProgram(root, zelDefs(0, 0)));

    {
        Gateway gateway;
        MainWindow window(gateway);
        window.FormCreate();
        auto* tree = window.findChild<QTreeWidget*>(u"tvZelLoc"_s);
        QVERIFY(tree);
        QTreeWidgetItem* rootNode = tree->topLevelItem(0);
        QVERIFY(rootNode);
        QCOMPARE(rootNode->text(0), u"Zel"_s);
        QCOMPARE(rootNode->childCount(), 2);
        QCOMPARE(rootNode->child(0)->text(0), u"Groepen (20)"_s);
        QCOMPARE(opened(child(rootNode, u"Kas (12)"_s))->childCount(), 2);
    }
    resetDirectories();
}

// A catalogue holding 12 and 012 is one location when the window has read it: the later name,
// the alarms of both, written back at once.
void TstZelTreeEngine::twoFormsOfOneCodeAreMergedWhenRead()
{
    QTemporaryDir root;
    QVERIFY(layOutProgram(
        root, "<ZelAlarmDefinitions><Location Code=\"012\" Name=\"Oud\">"
              "<Alarm Code=\"1\" Name=\"Een\"/></Location><Location Code=\"12\" Name=\"Kas\">"
              "<Alarm Code=\"3\" Name=\"Drie\"/></Location></ZelAlarmDefinitions>"));

    {
        Gateway gateway;
        MainWindow window(gateway);
        window.FormCreate();
        auto* tree = window.findChild<QTreeWidget*>(u"tvZelLoc"_s);
        QVERIFY(tree && tree->topLevelItem(0));
        QTreeWidgetItem* rootNode = tree->topLevelItem(0);
        QCOMPARE(rootNode->childCount(), 1);
        QTreeWidgetItem* kas = child(rootNode, u"Kas (12)"_s);
        QVERIFY(kas);
        QCOMPARE(opened(kas)->childCount(), 2);
        QVERIFY(child(kas, u"Drie (3)"_s));
    }
    QFile zel(QDir(root.path()).filePath(u"PoData/ZelDefs.xml"_s));
    QVERIFY(zel.open(QIODevice::ReadOnly));
    const QByteArray written = zel.readAll();
    QCOMPARE(written.count("<Location "), 1);
    QCOMPARE(written.count("<Alarm "), 2);
    resetDirectories();
}

// The page writes the document instance the engine evaluates: no reload is needed.
void TstZelTreeEngine::assignedAlarmIsUsedAtTheNextPoll()
{
    EngineHarness h;
    h.writeLinkDefs(linkDefs(""));
    h.writeZelDefs(zelDefs(0, 0));
    h.setAlarms(activeAlarms({"Kas 3"}));
    h.setConfiguration(kConfiguration);
    QVERIFY(h.start());

    LinkConfigPage page;
    ZelTreePane& pane = showEngineDocuments(page, h);

    QTreeWidgetItem* alarm =
        child(child(pane.tvZelLoc().topLevelItem(0), u"Kas (12)"_s), u"Kas 4 (4)"_s);
    QVERIFY(alarm);
    pane.tvZelLoc().setCurrentItem(alarm);
    pane.tvZelLocClick();
    QCOMPARE(page.sgMain().cellText(0, 2), u"Kas 3"_s);
    page.sgMain().selectRow(0);
    page.findChild<QToolButton*>(u"tbConnect"_s)->click();
    QCOMPARE(xmlAttribute(h.readPoData("LinkDefs.xml"), "//PO_loc[@text='Kas 3']", "zel_alarm"),
             u"0012 - 04"_s);

    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.alarmLines(),
             QStringList{u"[ZEL RCVALARM 02,0012,04,T,,Pcu1 Kas 3 Temp te hoog]"_s});
}

// The office server gives locations without a PCU or text, written empty or left out. Once the
// operator has linked them they stay linked: through the save, a reload from disk and the next
// configuration fetch, which then finds no undefined link; and their alarms go out.
void TstZelTreeEngine::locationsWithoutPcuOrTextAreLinkedForGood()
{
    EngineHarness h;
    h.writeLinkDefs(R"(<?xml version="1.0" encoding="ISO-8859-1"?><ZelPOLinkDefs/>)");
    h.writeZelDefs(zelDefs(0, 0));
    h.setConfiguration(R"(<alarmserverconfig><alarmlocations>
		<location pcu="" text=""/><location text="Kas 5"/><location pcu="" text="Kas 6"/>
	</alarmlocations><alarmtypes><type nr="1" text="Temperatuur"/></alarmtypes>
	</alarmserverconfig>)");
    h.setAlarms(R"(<active-alarms>
	<alarm pcu="" location="" nr="1" text="Temp. te hoog" start="20261209T095900"/>
	<alarm location="Kas 6" nr="1" text="Temp. te hoog" start="20261209T095900"/>
	</active-alarms>)");
    QVERIFY(h.start());
    QSignalSpy reloaded(&h.engine(), &Engine::definitionsReloaded);
    h.engine().requestRefresh();
    QVERIFY(reloaded.wait(10000));
    QCOMPARE(h.logCount("Undefined links found!"), 1);

    LinkConfigPage page;
    ZelTreePane& pane = showEngineDocuments(page, h);
    QCOMPARE(page.sgMain().rowCount(), 3);
    QTreeWidgetItem* alarm =
        child(child(pane.tvZelLoc().topLevelItem(0), u"Kas (12)"_s), u"Kas 4 (4)"_s);
    QVERIFY(alarm);
    pane.tvZelLoc().setCurrentItem(alarm);
    pane.tvZelLocClick();
    page.sgMain().selectAllDataRows();
    page.findChild<QToolButton*>(u"tbConnect"_s)->click();
    for (int row = 0; row < 3; ++row)
        QCOMPARE(page.sgMain().cellText(row, 4), u"0012 - 04"_s);

    // The file holds what the grid shows, also after reading it again.
    const QByteArray onDisk = h.readPoData("LinkDefs.xml");
    for (const char* query : {"//PO_loc[1]", "//PO_loc[2]", "//PO_loc[3]"})
        QCOMPARE(xmlAttribute(onDisk, query, "zel_alarm"), u"0012 - 04"_s);
    QVERIFY(h.engine().linkDefs().reload().ok());
    page.FillDefinitionsGrid(*h.engine().linkDefs().document());
    for (int row = 0; row < 3; ++row)
        QCOMPARE(page.sgMain().cellText(row, 4), u"0012 - 04"_s);

    h.engine().requestRefresh();
    QVERIFY(reloaded.wait(10000));
    QCOMPARE(h.logCount("Undefined links found!"), 1);
    QCOMPARE(h.readPoData("LinkDefs.xml").count("<PO_loc"), 3);

    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.linesStartingWith(u"[ZEL RCVALARM 02,0012,04,T,,"_s).size(), 2);
    QCOMPARE(h.linesStartingWith(u"[ZEL RCVALARM 02,9999,9"_s).size(), 1);
}

// An exchange file near the size limit is read while the engine runs on: the watchdog due
// meanwhile reaches ZelMeld before the file is even read, and the import still completes.
void TstZelTreeEngine::largeImportLeavesTheWatchdogOnTime()
{
    EngineHarness h;
    h.writeLinkDefs(linkDefs(""));
    h.writeZelDefs(zelDefs(0, 0));
    QVERIFY(h.start());

    // About 120 MB of locations out of range, which the merge passes over, and one new one.
    const QByteArray padding("<Location Code=\"0\" Name=\"padding padding padding\"/>\n");
    const QString path = h.root.filePath(u"large.xml"_s);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<ZelDefinitions>\n<Location Code=\"30\" Name=\"Nieuw\"/>\n");
        const QByteArray block = padding.repeated(20000);
        while (file.size() + block.size() < ZelImportMaxBytes - 1024)
            QCOMPARE(file.write(block), block.size());
        file.write("</ZelDefinitions>\n");
    }

    LinkConfigPage page;
    page.setDocuments(&h.engine().zelDefs(), &h.engine().linkDefs());
    ZelTreePane& pane = page.zelTree();
    QStringList messages;
    pane.interaction().ask = [](QMessageBox::Icon, const QString&) { return true; };
    pane.interaction().chooseFile = [&path](const FileChoice&) { return path; };
    pane.interaction().showMessage = [&messages](const QString& text) { messages << text; };
    pane.FillZelTree();
    QSignalSpy finished(&pane, &ZelTreePane::importFinished);
    page.findChild<QToolButton*>(u"tbImport"_s)->click();
    QVERIFY(!page.findChild<QToolButton*>(u"tbImport"_s)->isEnabled());

    h.advanceSeconds(60);
    QTRY_COMPARE(h.linesStartingWith(u"[ZEL WD 09"_s).size(), 1);
    QCOMPARE(finished.count(), 0);

    QVERIFY(finished.wait(60000));
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join(u'\n')));
    QVERIFY(ZelAlarmExists(*h.engine().zelDefs().document(), "0012 - 03"));
    QCOMPARE(xmlAttribute(h.readPoData("ZelDefs.xml"), "//Location[@Code='30']", "Name"),
             u"Nieuw"_s);
}

void TstZelTreeEngine::alarmActiveBeforeItsLinkGoesOutOnce_data()
{
    QTest::addColumn<QByteArray>("definitions");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("restartBeforeTheLink");
    const QByteArray suppressing = R"(<Except nr="1" text="Temperatuur" zel_alarm="" />)";
    QTest::newRow("location row") << unlinkedDefs("", "") << int(LinkKey::Location) << false;
    QTest::newRow("location row, restarted before it is linked")
        << unlinkedDefs("", "") << int(LinkKey::Location) << true;
    QTest::newRow("location exception row")
        << unlinkedDefs(suppressing, "") << int(LinkKey::LocationException) << false;
    QTest::newRow("general exception row")
        << unlinkedDefs("", suppressing) << int(LinkKey::GeneralException) << false;
}

// The office raises an alarm at a location without a link: the configuration alarm goes out
// in its place. Once the operator links the row, the alarm, still active, goes out as new at
// the next poll, once, and not again after a restart.
void TstZelTreeEngine::alarmActiveBeforeItsLinkGoesOutOnce()
{
    QFETCH(QByteArray, definitions);
    QFETCH(int, kind);
    QFETCH(bool, restartBeforeTheLink);
    EngineHarness h;
    h.writeLinkDefs(definitions);
    h.writeZelDefs(zelDefs(0, 0));
    h.setAlarms(activeAlarms({"Kas 3"}));
    QVERIFY(h.start());

    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.alarmLines(), QStringList{kConfigurationAlarm});
    QCOMPARE(h.logCount("No definition found for alarm: Kas 3, 1"), 1);
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.alarmLines(), QStringList{kConfigurationAlarm});
    QCOMPARE(alarmAttribute(h, "Kas 3", "NoLink"), u"1"_s);
    if (restartBeforeTheLink)
        QVERIFY(h.restart());

    const LinkKey row{LinkKey::Kind(kind), kind == LinkKey::GeneralException ? "" : "Pcu1",
                      kind == LinkKey::GeneralException ? "" : "Kas 3",
                      kind == LinkKey::Location ? "" : "1"};
    assignThroughPage(h, u"Kas 3 (3)"_s, row, "0012 - 03");
    if (QTest::currentTestFailed())
        return;

    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    const QStringList sent{kConfigurationAlarm, kAlarmKas3};
    QCOMPARE(h.alarmLines(), sent);
    QCOMPARE(alarmAttribute(h, "Kas 3", "Sent"), kStart);
    QCOMPARE(alarmAttribute(h, "Kas 3", "NoLink"), u"<absent>"_s);
    QCOMPARE(h.logCount("Alarm linked after it became active, sent as new: Pcu1,Kas 3,1"), 1);
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QVERIFY(h.restart());
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.alarmLines(), sent);
    QCOMPARE(h.logCount("No definition found for alarm: Kas 3, 1"), 1);
}

void TstZelTreeEngine::movedLinkLeavesTheRaisedAlarmWhereItWent_data()
{
    QTest::addColumn<QString>("then");
    QTest::addColumn<QStringList>("lines");
    const QString raised = u"[ZEL RCVALARM 02,0012,03,T,,Pcu1 Kas 3 Temp te hoog]"_s;
    QTest::newRow("it returns, then comes again")
        << u"return"_s
        << QStringList{raised, u"[ZEL RCVALARM 02,0012,03,R,,Pcu1 Kas 3 Temp te hoog]"_s,
                       u"[ZEL RCVALARM 02,0012,04,T,,Pcu1 Kas 3 Temp te hoog]"_s};
    QTest::newRow("its repeat falls due") << u"repeat"_s << QStringList{raised, raised};
}

// An alarm already forwarded is not sent again because the operator moved its link to another
// ZEL alarm. Its repeats and its return go to the ZEL alarm it raised, which they clear,
// also after a restart; its next activation goes to the new link.
void TstZelTreeEngine::movedLinkLeavesTheRaisedAlarmWhereItWent()
{
    QFETCH(QString, then);
    QFETCH(QStringList, lines);
    EngineHarness h;
    h.writeLinkDefs(linkDefs(""));
    h.writeZelDefs(zelDefs(0, 15));
    h.setAlarms(activeAlarms({"Kas 3"}));
    QVERIFY(h.start());
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.alarmLines(), lines.mid(0, 1));

    assignThroughPage(h, u"Kas 4 (4)"_s, LinkKey{LinkKey::Location, "Pcu1", "Kas 3", ""},
                      "0012 - 04");
    if (QTest::currentTestFailed())
        return;
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.alarmLines(), lines.mid(0, 1));
    QVERIFY(h.restart());

    if (then == u"repeat") {
        h.advanceSeconds(15 * 60);
        QVERIFY(h.runPoll());
        QCOMPARE(h.alarmLines(), lines);
        return;
    }
    h.setAlarms("<active-alarms/>");
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.alarmLines(), lines.mid(0, 2));
    h.setAlarms(R"(<active-alarms>
	<alarm pcu="Pcu1" location="Kas 3" nr="1" text="Temp. te hoog" start="20261209T101500"/>
</active-alarms>)");
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.alarmLines(), lines);
}

QTEST_MAIN(TstZelTreeEngine)
#include "tst_zeltreeengine.moc"
