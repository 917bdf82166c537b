#include "ZelTreeFixture.h"

#include "store/LinkDefs.h"
#include "store/ZelCodeMerge.h"

#include "ui/dialogs/TOKBottomDlg1.h"

#include <QRadioButton>

// Every edit of the link editor lands on the element its row or node names, however the
// documents write codes, an empty PCU or text, or an exception number; and the grid and the
// tree never show anything the documents do not hold.

namespace {

// Kas 12 with alarms 1 and 2, B 20 with alarm 10.
const QByteArray kCatalogue = R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<ZelAlarmDefinitions>
	<Location Code="12" Name="Kas"><Alarm Code="1" Name="Een"/><Alarm Code="2" Name="Twee"/></Location>
	<Location Code="20" Name="B"><Alarm Code="10" Name="Tien"/></Location>
</ZelAlarmDefinitions>
)";

// Rows: 0 P1 Noord linked to 12/1; 1 P2 Zuid new; 2 a location without PCU or text stored
// empty; 3 one stored with the placeholder; 4 P3 Oost and 5 its exception "4:1"; 6 a
// location whose own PCU is "--"; 7 general exception 4.
const QByteArray kLinks = R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<ZelPOLinkDefs>
<PO_Locations>
  <PO_loc pcu="P1" text="Noord" zel_alarm="0012 - 01"/>
  <PO_loc pcu="P2" text="Zuid" zel_alarm="0"/>
  <PO_loc pcu="" text="" zel_alarm="0"/>
  <PO_loc pcu="-\-" text="West" zel_alarm="0"/>
  <PO_loc pcu="P3" text="Oost" zel_alarm="0020 - 10">
    <Except nr="4:1" text="Hoog" zel_alarm=""/>
  </PO_loc>
  <PO_loc pcu="--" text="Streep" zel_alarm="0"/>
</PO_Locations>
<PO_AlarmTypes><PO_Alarm nr="4" text="Hoog"/><PO_Alarm nr="4:1" text="Hoog 1"/></PO_AlarmTypes>
<PO_Exceptions><Except nr="4" text="Hoog" zel_alarm="0020 - 10"/></PO_Exceptions>
</ZelPOLinkDefs>
)";

QStringList gridText(const DefinitionsGrid& grid)
{
    QStringList rows;
    for (int row = 0; row < grid.rowCount(); ++row) {
        QStringList cells;
        for (int column = DefinitionColumn::Pcu; column < DefinitionColumn::Count; ++column)
            cells << grid.cellText(row, column);
        const DefinitionKey& key = grid.rowKey(row);
        cells << QString::number(key.kind) + u'/' + QString::fromStdString(key.pcu) + u'/' +
                     QString::fromStdString(key.text) + u'/' + QString::fromStdString(key.nr);
        rows << cells.join(u'|');
    }
    return rows;
}

} // namespace

class TstLinkEditorKeys : public ZelTreeFixture
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup() { tearDownFixture(); }
    void codeFormsThroughTheEditor_data();
    void codeFormsThroughTheEditor();
    void refusedCodeFormsChangeNothing_data();
    void refusedCodeFormsChangeNothing();
    void everyActionLeavesTheViewsAsTheDocumentsOnDisk();
    void olderDocumentWithTwoFormsOfOneCode();
    void catalogueNotReadLeavesEveryLink_data();
    void catalogueNotReadLeavesEveryLink();
    void deleteAsksBeforeClearingOtherLinks_data();
    void deleteAsksBeforeClearingOtherLinks();
    void renumberedItemsTakeTheirLinksAlong_data();
    void renumberedItemsTakeTheirLinksAlong();
    void invalidCodeIsShownAndCanBeMended_data();
    void invalidCodeIsShownAndCanBeMended();

private:
    // A page built anew from the files on disk shows what this page shows.
    void viewsMatchDisk();
    void importFile(const QByteArray& body);
    void selectGridRow(int row);
    QString diskAttribute(const char* file, const char* query, const char* attribute) const;
    // zel_alarm|zel_group of every element of LinkDefs.xml on disk that holds one.
    QStringList diskReferences() const;
};

void TstLinkEditorKeys::init()
{
    setUpFixture();
    QVERIFY(writeFile(poData(u"ZelDefs.xml"_s), kCatalogue));
    QVERIFY(writeFile(poData(u"LinkDefs.xml"_s), kLinks));
    QVERIFY(m_zelDefs->reload().ok());
    QVERIFY(m_linkDefs->reload().ok());
    reloadPage();
    m_yes = true;
}

void TstLinkEditorKeys::viewsMatchDisk()
{
    DocumentOwner zelDefs("ZelDefs.xml", kZelDefsRoot);
    DocumentOwner linkDefs("LinkDefs.xml", kLinkDefsRoot);
    QVERIFY(zelDefs.open().ok());
    QVERIFY(linkDefs.open().ok());
    LinkConfigPage fromDisk;
    fromDisk.setDocuments(&zelDefs, &linkDefs);
    fromDisk.zelTree().FillZelTree();
    fromDisk.FillDefinitionsGrid(*linkDefs.document());
    // Locations stay collapsed in a rebuilt tree; the texts do not depend on it.
    QCOMPARE(treeText(), treeTextOf(fromDisk.zelTree()));
    QCOMPARE(gridText(grid()), gridText(fromDisk.sgMain()));
    QVERIFY2(!catalogue().startsWith(u"(disk differs)"_s), qPrintable(catalogue()));
}

void TstLinkEditorKeys::importFile(const QByteArray& body)
{
    m_chosenFile = m_root.filePath(u"import.xml"_s);
    QVERIFY(writeFile(m_chosenFile, "<ZelDefinitions>" + body + "</ZelDefinitions>"));
    click({});
    QSignalSpy finished(&pane(), &ZelTreePane::importFinished);
    QTest::mouseClick(button("tbImport"), Qt::LeftButton);
    QTRY_COMPARE(finished.count(), 1);
}

void TstLinkEditorKeys::selectGridRow(int row)
{
    grid().clearSelection();
    grid().selectRows(row, row);
}

QString TstLinkEditorKeys::diskAttribute(const char* file, const char* query,
                                         const char* attribute) const
{
    pugi::xml_document doc;
    const QByteArray bytes = readFile(poData(QLatin1String(file)));
    if (!doc.load_buffer(bytes.constData(), std::size_t(bytes.size())))
        return u"(unreadable)"_s;
    const pugi::xml_node node = doc.select_node(query).node();
    if (!node)
        return u"(no element)"_s;
    return QString::fromUtf8(node.attribute(attribute).value());
}

QStringList TstLinkEditorKeys::diskReferences() const
{
    pugi::xml_document doc;
    const QByteArray bytes = readFile(poData(u"LinkDefs.xml"_s));
    if (!doc.load_buffer(bytes.constData(), std::size_t(bytes.size())))
        return {u"(unreadable)"_s};
    QStringList refs;
    for (const pugi::xpath_node found : doc.select_nodes("//*[@zel_alarm or @zel_group]"))
        refs << QString::fromUtf8(found.node().attribute("zel_alarm").value()) + u'|' +
                    QString::fromUtf8(found.node().attribute("zel_group").value());
    return refs;
}

void TstLinkEditorKeys::codeFormsThroughTheEditor_data()
{
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<QByteArray>("one");
    QTest::addColumn<QByteArray>("seven");

    QTest::newRow("12") << QByteArray("12") << QByteArray("1") << QByteArray("7");
    QTest::newRow("012") << QByteArray("012") << QByteArray("01") << QByteArray("07");
    QTest::newRow("0012") << QByteArray("0012") << QByteArray("001") << QByteArray("0007");
    QTest::newRow("+12") << QByteArray("+12") << QByteArray("+1") << QByteArray("+07");
    QTest::newRow(" 12") << QByteArray(" 12") << QByteArray(" 1 ") << QByteArray("\t7");
}

// The same operator session for every form of 12: import, edit, add an alarm, delete one,
// the clean-up behind it, and an assignment. Each step checks the file on disk and the tree.
void TstLinkEditorKeys::codeFormsThroughTheEditor()
{
    QFETCH(QByteArray, location);
    QFETCH(QByteArray, one);
    QFETCH(QByteArray, seven);

    importFile("<Location Code='" + location + "' Name='Oud'><Alarm Code='" + one +
               "' Name='Een oud'/><Alarm Code='" + seven + "' Name='Zeven'/></Location>");
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
    QCOMPARE(catalogue(), u"[12 Oud (1 Een oud)(2 Twee)(7 Zeven)][20 B (10 Tien)]"_s);
    QCOMPARE(treeText(), u"Zel / B (20) / Tien (10) \\, Oud (12) / Een oud (1), Twee (2), "
                         u"Zeven (7) \\ \\"_s);
    viewsMatchDisk();

    // Its own code is no duplicate.
    click({u"Oud (12)"_s});
    m_answers.push_back(enter(12, u"Oud"_s));
    QTest::mouseClick(button("tbEdit"), Qt::LeftButton);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
    QCOMPARE(catalogue(), u"[12 Oud (1 Een oud)(2 Twee)(7 Zeven)][20 B (10 Tien)]"_s);

    click({u"Oud (12)"_s});
    m_answers.push_back(enter(9, u"Negen"_s, 30, 5));
    QTest::mouseClick(button("tbAdd"), Qt::LeftButton);
    QCOMPARE(catalogue(), u"[12 Oud (1 Een oud)(2 Twee)(7 Zeven)(9 Negen 30 5)][20 B (10 Tien)]"_s);
    QVERIFY(node({u"Oud (12)"_s, u"Negen (9)"_s}));
    viewsMatchDisk();

    // Deleting 7 runs the clean-up: the link to 12/1 stays.
    click({u"Oud (12)"_s, u"Zeven (7)"_s});
    QTest::mouseClick(button("tbDelete"), Qt::LeftButton);
    QCOMPARE(catalogue(), u"[12 Oud (1 Een oud)(2 Twee)(9 Negen 30 5)][20 B (10 Tien)]"_s);
    QCOMPARE(diskAttribute("LinkDefs.xml", "//PO_loc[@pcu='P1']", "zel_alarm"), u"0012 - 01"_s);
    QCOMPARE(grid().cellText(0, DefinitionColumn::ZelAlarm), u"0012 - 01"_s);
    viewsMatchDisk();

    // The property list reads the alarm it shows.
    click({u"Oud (12)"_s, u"Negen (9)"_s});
    QCOMPARE(pane().vleTree().item(3, 1)->text(), u"30 seconds"_s);

    click({u"Oud (12)"_s, u"Een oud (1)"_s});
    selectGridRow(1);
    QTest::mouseClick(button("tbConnect"), Qt::LeftButton);
    QCOMPARE(diskAttribute("LinkDefs.xml", "//PO_loc[@pcu='P2']", "zel_alarm"), u"0012 - 01"_s);
    QCOMPARE(grid().cellText(1, DefinitionColumn::ZelAlarm), u"0012 - 01"_s);
    viewsMatchDisk();
}

void TstLinkEditorKeys::refusedCodeFormsChangeNothing_data()
{
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<QStringList>("messages");

    const QStringList refused{u"Incorrect file structure"_s};
    QTest::newRow("blank inside") << QByteArray("1 2") << refused;
    QTest::newRow("letter") << QByteArray("12a") << refused;
    QTest::newRow("hexadecimal") << QByteArray("0x0C") << refused;
    QTest::newRow("decimal point") << QByteArray("12.0") << refused;
    QTest::newRow("empty") << QByteArray() << refused;
    // A whole number out of range is skipped without a word, as 0 and 10000 are.
    QTest::newRow("minus sign") << QByteArray("-12") << QStringList();
}

void TstLinkEditorKeys::refusedCodeFormsChangeNothing()
{
    QFETCH(QByteArray, code);
    QFETCH(QStringList, messages);

    const QString before = catalogue();
    const QString tree = treeText();
    importFile("<Location Code='" + code + "' Name='Oud'><Alarm Code='1' Name='x'/></Location>");
    QCOMPARE(m_messages, messages);
    QCOMPARE(catalogue(), before);
    QCOMPARE(treeText(), tree);
    viewsMatchDisk();
}

// After each action of the page, a page built from the files shows the same tree and rows;
// rows whose PCU, text or number the cells cannot give back are reached all the same.
void TstLinkEditorKeys::everyActionLeavesTheViewsAsTheDocumentsOnDisk()
{
    viewsMatchDisk();

    // The location stored with an empty PCU and text, the one with the placeholder PCU, the
    // location whose own PCU is "--" and the exception "4:1" all take the alarm.
    click({u"B (20)"_s, u"Tien (10)"_s});
    grid().clearSelection();
    grid().selectRows(2, 6);
    QTest::mouseClick(button("tbConnect"), Qt::LeftButton);
    QCOMPARE(columnCells(DefinitionColumn::ZelAlarm), (QStringList{u"0012 - 01"_s,
                                                                   {},
                                                                   u"0020 - 10"_s,
                                                                   u"0020 - 10"_s,
                                                                   u"0020 - 10"_s,
                                                                   u"0020 - 10"_s,
                                                                   u"0020 - 10"_s,
                                                                   u"0020 - 10"_s}));
    QCOMPARE(diskAttribute("LinkDefs.xml", "//PO_loc[@text='']", "zel_alarm"), u"0020 - 10"_s);
    QCOMPARE(diskAttribute("LinkDefs.xml", "//Except[@nr='4:1']", "zel_alarm"), u"0020 - 10"_s);
    QCOMPARE(diskAttribute("LinkDefs.xml", "//PO_loc[@pcu='P3']/Except[@nr='4']", "zel_alarm"),
             u"(no element)"_s);
    QCOMPARE(diskAttribute("LinkDefs.xml", "//PO_loc[@pcu='--']", "zel_alarm"), u"0020 - 10"_s);
    viewsMatchDisk();

    click({u"Kas (12)"_s, u"Twee (2)"_s});
    grid().clearSelection();
    grid().selectRows(5, 7);
    QTest::mouseClick(button("tbGroup"), Qt::LeftButton);
    viewsMatchDisk();
    grid().clearSelection();
    grid().selectRows(6, 6);
    QTest::mouseClick(button("tbDeleteGroup"), Qt::LeftButton);
    viewsMatchDisk();

    // An exception for the location without PCU or text.
    m_page->interaction().runExceptDialog = [](TOKBottomDlg1& dialog) {
        dialog.sgExcept().setRangeSelected(QTableWidgetSelectionRange(1, 1, 1, 2), true);
        control<QPushButton>(&dialog, "OKBtn")->click();
    };
    selectGridRow(2);
    QTest::mouseClick(control<QToolButton>(m_page.get(), "tbAddExcept"), Qt::LeftButton);
    QCOMPARE(grid().cellText(3, DefinitionColumn::Alarm), u"4:1: Hoog 1"_s);
    viewsMatchDisk();

    // Removing the exception row of the location without PCU or text removes that location.
    m_page->interaction().confirm = [](const QString&) { return true; };
    selectGridRow(3);
    QTest::mouseClick(control<QToolButton>(m_page.get(), "tbDeleteExcept"), Qt::LeftButton);
    QCOMPARE(diskAttribute("LinkDefs.xml", "//PO_loc[@text='']", "zel_alarm"), u"(no element)"_s);
    viewsMatchDisk();

    // Deleting a ZEL alarm clears every row that named it, hidden or not.
    click({u"B (20)"_s, u"Tien (10)"_s});
    QTest::mouseClick(button("tbDelete"), Qt::LeftButton);
    QVERIFY(!columnCells(DefinitionColumn::ZelAlarm).contains(u"0020 - 10"_s));
    viewsMatchDisk();

    click({u"Kas (12)"_s});
    m_answers.push_back(enter(13, u"Kas nieuw"_s));
    QTest::mouseClick(button("tbEdit"), Qt::LeftButton);
    viewsMatchDisk();
    click({});
    m_answers.push_back(enter(30, u"Dertig"_s));
    QTest::mouseClick(button("tbAdd"), Qt::LeftButton);
    viewsMatchDisk();
}

// A catalogue that an older import left with 12 and 012 is merged when it is read: one
// location with every alarm of both, the later name, saved at once; a delete elsewhere keeps
// every link, also the one to an alarm only the second form held.
void TstLinkEditorKeys::olderDocumentWithTwoFormsOfOneCode()
{
    QByteArray catalogueXml = kCatalogue;
    catalogueXml.replace("</ZelAlarmDefinitions>",
                         "\t<Location Code=\"012\" Name=\"Oud\"><Alarm Code=\"01\" Name=\"x\"/>"
                         "<Alarm Code=\"03\" Name=\"Drie\"/></Location>\n</ZelAlarmDefinitions>");
    QVERIFY(writeFile(poData(u"ZelDefs.xml"_s), catalogueXml));
    QByteArray links = kLinks;
    links.replace(R"(pcu="P2" text="Zuid" zel_alarm="0")",
                  R"(pcu="P2" text="Zuid" zel_alarm="0012 - 03")");
    QVERIFY(writeFile(poData(u"LinkDefs.xml"_s), links));
    QVERIFY(m_zelDefs->reload().ok());
    QVERIFY(m_linkDefs->reload().ok());
    mergeZelCodeFormsOnRead(*m_zelDefs);
    QVERIFY(!m_zelDefs->isDirty());
    reloadPage();
    QCOMPARE(treeText(),
             u"Zel / B (20) / Tien (10) \\, Oud (12) / x (1), Twee (2), Drie (3) \\ \\"_s);
    QCOMPARE(catalogue(), u"[12 Oud (1 x)(2 Twee)(03 Drie)][20 B (10 Tien)]"_s);

    click({u"B (20)"_s, u"Tien (10)"_s});
    QTest::mouseClick(button("tbDelete"), Qt::LeftButton);
    QCOMPARE(diskAttribute("LinkDefs.xml", "//PO_loc[@pcu='P1']", "zel_alarm"), u"0012 - 01"_s);
    QCOMPARE(diskAttribute("LinkDefs.xml", "//PO_loc[@pcu='P2']", "zel_alarm"), u"0012 - 03"_s);
    QCOMPARE(diskAttribute("LinkDefs.xml", "//PO_loc[@pcu='P3']", "zel_alarm"), QString());
    viewsMatchDisk();
}

// A catalogue that was not read from its file is not the one the links were made with: adding
// and deleting in it clears no link.
void TstLinkEditorKeys::catalogueNotReadLeavesEveryLink_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("addFirst");

    QTest::newRow("not well-formed: set aside, empty")
        << QByteArray("<ZelAlarmDefinitions><Location Code=\"12\"") << true;
    QTest::newRow("another root") << QByteArray("<Catalogue><Location Code=\"30\" Name=\"Dertig\"/>"
                                                "</Catalogue>")
                                  << false;
}

void TstLinkEditorKeys::catalogueNotReadLeavesEveryLink()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, addFirst);

    QVERIFY(writeFile(poData(u"ZelDefs.xml"_s), file));
    QVERIFY(!m_zelDefs->reload().ok());
    reloadPage();
    const QStringList before = diskReferences();
    QVERIFY(before.contains(u"0012 - 01|"_s));
    if (addFirst) {
        click({});
        m_answers.push_back(enter(30, u"Dertig"_s));
        QTest::mouseClick(button("tbAdd"), Qt::LeftButton);
    }
    click({u"Dertig (30)"_s});
    QTest::mouseClick(button("tbDelete"), Qt::LeftButton);
    QVERIFY(!node({u"Dertig (30)"_s}));
    QCOMPARE(diskReferences(), before);
    QVERIFY(columnCells(DefinitionColumn::ZelAlarm).contains(u"0012 - 01"_s));
    QVERIFY(!m_linkDefs->isDirty());
    QCOMPARE(m_questions, (QStringList{u"question: Delete this location completely?"_s}));
}

// Links that named nothing before the delete (made with another catalogue, edited by hand)
// are cleared only when the operator agrees; the question counts them.
void TstLinkEditorKeys::deleteAsksBeforeClearingOtherLinks_data()
{
    QTest::addColumn<QByteArray>("p2Alarm");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("p2After");

    QTest::newRow("agreed: every dangling link is cleared")
        << QByteArray("0099 - 01") << true << u"2"_s << QString();
    QTest::newRow("refused: only the deleted alarm's links")
        << QByteArray("0099 - 01") << false << u"2"_s << u"0099 - 01"_s;
    QTest::newRow("nothing else dangles: no question")
        << QByteArray("0012 - 02") << true << QString() << u"0012 - 02"_s;
}

void TstLinkEditorKeys::deleteAsksBeforeClearingOtherLinks()
{
    QFETCH(QByteArray, p2Alarm);
    QFETCH(bool, yes);
    QFETCH(QString, count);
    QFETCH(QString, p2After);

    QByteArray links = kLinks;
    links.replace(R"(pcu="P2" text="Zuid" zel_alarm="0")",
                  QByteArray(QByteArray(R"(pcu="P2" text="Zuid" zel_alarm=")") + p2Alarm + '"'));
    if (!count.isEmpty())
        links.replace(R"(<Except nr="4:1" text="Hoog" zel_alarm=""/>)",
                      R"(<Except nr="4:1" text="Hoog" zel_alarm="0077 - 07"/>)");
    QVERIFY(writeFile(poData(u"LinkDefs.xml"_s), links));
    QVERIFY(m_linkDefs->reload().ok());
    reloadPage();
    // The delete itself is agreed to; m_yes answers the page's question.
    pane().interaction().ask = [](QMessageBox::Icon, const QString&) { return true; };
    click({u"B (20)"_s, u"Tien (10)"_s});
    m_yes = yes;
    m_questions.clear();
    QTest::mouseClick(button("tbDelete"), Qt::LeftButton);

    const QStringList confirms = m_questions.filter(u"confirm: "_s);
    if (count.isEmpty()) {
        QVERIFY2(confirms.isEmpty(), qPrintable(confirms.join(u'\n')));
    } else {
        QCOMPARE(confirms.size(), 1);
        QVERIFY2(confirms.first().contains(u' ' + count + u' '), qPrintable(confirms.first()));
    }
    // The deleted alarm's own links are cleared either way.
    QCOMPARE(diskAttribute("LinkDefs.xml", "//PO_loc[@pcu='P3']", "zel_alarm"), QString());
    QCOMPARE(diskAttribute("LinkDefs.xml", "//PO_Exceptions/Except[@nr='4']", "zel_alarm"),
             QString());
    QCOMPARE(diskAttribute("LinkDefs.xml", "//PO_loc[@pcu='P2']", "zel_alarm"), p2After);
    QCOMPARE(diskAttribute("LinkDefs.xml", "//PO_loc[@pcu='P1']", "zel_alarm"), u"0012 - 01"_s);
    viewsMatchDisk();
}

// Renumbering a location or an alarm in the item dialog takes every link along, in the grid
// and on disk; a renumber nothing links to leaves the link document alone.
void TstLinkEditorKeys::renumberedItemsTakeTheirLinksAlong_data()
{
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("after");

    QTest::newRow("location 20 to 21")
        << QStringList{u"B (20)"_s} << 21
        << QStringList{u"0012 - 01|0021 - 10"_s, u"0|"_s, u"0|"_s, u"0|"_s,
                       u"0021 - 10|"_s,          u"|"_s,  u"0|"_s, u"0021 - 10|"_s};
    QTest::newRow("alarm 12/1 to 12/7")
        << QStringList{u"Kas (12)"_s, u"Een (1)"_s} << 7
        << QStringList{u"0012 - 07|0020 - 10"_s, u"0|"_s, u"0|"_s, u"0|"_s,
                       u"0020 - 10|"_s,          u"|"_s,  u"0|"_s, u"0020 - 10|"_s};
    QTest::newRow("alarm 12/2, linked nowhere")
        << QStringList{u"Kas (12)"_s, u"Twee (2)"_s} << 9
        << QStringList{u"0012 - 01|0020 - 10"_s, u"0|"_s, u"0|"_s, u"0|"_s,
                       u"0020 - 10|"_s,          u"|"_s,  u"0|"_s, u"0020 - 10|"_s};
}

void TstLinkEditorKeys::renumberedItemsTakeTheirLinksAlong()
{
    QFETCH(QStringList, path);
    QFETCH(int, code);
    QFETCH(QStringList, after);

    QByteArray links = kLinks;
    links.replace(R"(text="Noord" zel_alarm="0012 - 01")",
                  R"(text="Noord" zel_alarm="0012 - 01" zel_group="0020 - 10")");
    QVERIFY(writeFile(poData(u"LinkDefs.xml"_s), links));
    QVERIFY(m_linkDefs->reload().ok());
    reloadPage();
    const QStringList before = diskReferences();
    QSignalSpy saved(m_linkDefs.get(), &DocumentOwner::saved);
    click(path);
    m_answers.push_back(enter(code, pane().selectedNode()->name()));
    QTest::mouseClick(button("tbEdit"), Qt::LeftButton);

    QCOMPARE(diskReferences(), after);
    // One edit, one save, and none when no link named the item.
    QCOMPARE(saved.count(), after != before ? 1 : 0);
    viewsMatchDisk();
}

// A Code that is no whole number shows in the tree, marked, and the operator mends or
// deletes it there; the key the node holds names it, not its text.
void TstLinkEditorKeys::invalidCodeIsShownAndCanBeMended_data()
{
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("catalogueAfter");

    QTest::newRow("mend the location") << QStringList{u"Fout (x1)"_s} << u"tbEdit"_s
                                       << u"[12 Kas (1 Een)(2 Twee)(y Raar)][20 B (10 Tien)]"
                                          u"[21 Fout (2 Twee)]"_s;
    QTest::newRow("delete the location") << QStringList{u"Fout (x1)"_s} << u"tbDelete"_s
                                         << u"[12 Kas (1 Een)(2 Twee)(y Raar)][20 B (10 Tien)]"_s;
    QTest::newRow("mend the alarm") << QStringList{u"Kas (12)"_s, u"Raar (y)"_s} << u"tbEdit"_s
                                    << u"[12 Kas (1 Een)(2 Twee)(3 Raar 0 0)][20 B (10 Tien)]"
                                       u"[x1 Fout (2 Twee)]"_s;
    QTest::newRow("delete the alarm") << QStringList{u"Kas (12)"_s, u"Raar (y)"_s} << u"tbDelete"_s
                                      << u"[12 Kas (1 Een)(2 Twee)][20 B (10 Tien)]"
                                         u"[x1 Fout (2 Twee)]"_s;
}

void TstLinkEditorKeys::invalidCodeIsShownAndCanBeMended()
{
    QFETCH(QStringList, path);
    QFETCH(QString, button);
    QFETCH(QString, catalogueAfter);

    QByteArray catalogueXml = kCatalogue;
    catalogueXml.replace("<Alarm Code=\"2\" Name=\"Twee\"/></Location>",
                         "<Alarm Code=\"2\" Name=\"Twee\"/><Alarm Code=\"y\" Name=\"Raar\"/>"
                         "</Location>");
    catalogueXml.replace("</ZelAlarmDefinitions>",
                         "<Location Code=\"x1\" Name=\"Fout\"><Alarm Code=\"2\" Name=\"Twee\"/>"
                         "</Location></ZelAlarmDefinitions>");
    QVERIFY(writeFile(poData(u"ZelDefs.xml"_s), catalogueXml));
    QVERIFY(m_zelDefs->reload().ok());
    reloadPage();

    ZelTreeItem* shown = node(path);
    QVERIFY(shown);
    QVERIFY(!shown->hasValidCode());
    QVERIFY(!shown->toolTip(0).isEmpty());
    QVERIFY(shown->font(0).italic());
    QVERIFY(!shown->key().hasValidCodes());
    QVERIFY(node({u"Kas (12)"_s, u"Een (1)"_s})->toolTip(0).isEmpty());
    // An alarm no reference can name is not assigned.
    click(path);
    QCOMPARE(pane().alarmClicked(), false);
    QCOMPARE(pane().vleTree().item(1, 1)->text(), path.last().section(u'(', 1).chopped(1));

    const QStringList linksBefore = diskReferences();
    m_answers.push_back(pressOk());
    QTest::mouseClick(this->button(button.toLatin1().constData()), Qt::LeftButton);
    QCOMPARE(catalogue(), catalogueAfter);
    QCOMPARE(diskReferences(), linksBefore);
    if (ZelTreeItem* mended = pane().selectedNode(); button == u"tbEdit"_s) {
        QVERIFY(mended->hasValidCode());
        QVERIFY(mended->toolTip(0).isEmpty());
        QVERIFY(!mended->font(0).italic());
    }
    viewsMatchDisk();
}

QTEST_MAIN(TstLinkEditorKeys)
#include "tst_linkeditorkeys.moc"
