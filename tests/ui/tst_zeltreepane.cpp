#include "ZelTreeFixture.h"

class TstZelTreePane : public ZelTreeFixture
{
    Q_OBJECT
private Q_SLOTS:
    void init() { setUpFixture(); }
    void cleanup() { tearDownFixture(); }
    void treeShowsTheCatalogueSorted();
    void locationsMakeTheirAlarmsWhenOpened();
    void clickShowsPropertiesAndEnablesAssigning_data();
    void clickShowsPropertiesAndEnablesAssigning();
    void deleteAsksAndClearsDanglingLinks_data();
    void deleteAsksAndClearsDanglingLinks();
    void deletedAssignmentsShowTheRedFrame();
    void importAsksSavesMergesAndRefills_data();
    void importAsksSavesMergesAndRefills();
    void importRefusesAnOversizeFile();
    void importAnswersEveryClickWhenTheCatalogueCannotBeSaved();
    void importFillsTheTreeInItsSortOrder();
    void importKeepsAnEditMadeWhileItRuns();
    void exportProposesItsFileAndWritesIt();
    void controlsHaveAccessibleNames_data();
    void controlsHaveAccessibleNames();
};

void TstZelTreePane::treeShowsTheCatalogueSorted()
{
    // Capitals before small letters; alarms by number, 2 before 10. Only the root is open.
    QCOMPARE(treeText(), u"Zel / B (20) / Zwaai (2), Tien (10) \\, Kas (12) / Een (1), "
                         u"Twee (2), Vijf (5) \\, a (3) \\"_s);
    QVERIFY(tree().topLevelItem(0)->isExpanded());
    QVERIFY(!node({u"Kas (12)"_s})->isExpanded());
    QVERIFY(tree().selectedItems().isEmpty());
    QVERIFY(!button("tbConnect")->isEnabled());
    QVERIFY(!button("tbGroup")->isEnabled());
    QVERIFY(!button("tbDeleteGroup")->isEnabled());
    QCOMPARE(pane().vleTree().rowCount(), 0);
}

namespace {

QStringList childTexts(const QTreeWidgetItem& node)
{
    QStringList texts;
    for (int i = 0; i < node.childCount(); ++i)
        texts << node.child(i)->text(0);
    return texts;
}

} // namespace

// A location's alarm nodes are made when the operator first opens it, all of them, in the
// tree's order, once; until then it shows that it can be opened when it has alarms.
void TstZelTreePane::locationsMakeTheirAlarmsWhenOpened()
{
    QVERIFY(m_zelDefs->edit([](XmlDocument& zelDefs) {
        pugi::xml_node full = zelDefs.root().append_child("Location");
        full.append_attribute("Code") = "40";
        full.append_attribute("Name") = "Vol";
        for (const auto& [code, name] : {std::pair{"9", "N"},
                                         {"3", "D"},
                                         {"x", "Fout"},
                                         {"07", "Z"},
                                         {"3", "Later"},
                                         {"10", "T"}}) {
            pugi::xml_node alarm = full.append_child("Alarm");
            alarm.append_attribute("Code") = code;
            alarm.append_attribute("Name") = name;
        }
        pugi::xml_node empty = zelDefs.root().append_child("Location");
        empty.append_attribute("Code") = "41";
        empty.append_attribute("Name") = "Leeg";
        return true;
    }));
    pane().FillZelTree();
    QTreeWidgetItem* full = node({u"Vol (40)"_s});
    QTreeWidgetItem* empty = node({u"Leeg (41)"_s});
    QVERIFY(full && empty);
    QCOMPARE(full->childCount(), 0);
    QCOMPARE(full->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    QCOMPARE(empty->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);

    const QStringList alarms{u"Fout (x)"_s, u"D (3)"_s, u"Z (7)"_s, u"N (9)"_s, u"T (10)"_s};
    // Opened by the operator: a double click on the node (its first click, then the second
    // one that the view sees as double).
    tree().scrollToItem(full);
    const QRect area = tree().visualItemRect(full);
    QVERIFY(!area.isEmpty());
    QTest::mouseClick(tree().viewport(), Qt::LeftButton, {}, area.center());
    QTest::mouseDClick(tree().viewport(), Qt::LeftButton, {}, area.center());
    QVERIFY(full->isExpanded());
    QCOMPARE(childTexts(*full), alarms);
    QCOMPARE(full->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
    QCOMPARE(static_cast<ZelTreeItem*>(full->child(2))->key(), (ZelItemKey{40, 7}));
    // Closed and opened again: the same nodes, none twice.
    full->setExpanded(false);
    full->setExpanded(true);
    QCOMPARE(childTexts(*full), alarms);
    empty->setExpanded(true);
    QCOMPARE(empty->childCount(), 0);
}

void TstZelTreePane::clickShowsPropertiesAndEnablesAssigning_data()
{
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<QStringList>("properties");
    QTest::addColumn<bool>("assigning");

    QTest::newRow("root") << QStringList{} << QStringList{} << false;
    QTest::newRow("location") << QStringList{u"Kas (12)"_s}
                              << QStringList{u"Type=Location"_s, u"Number=12"_s,
                                             u"Description=Kas"_s}
                              << false;
    QTest::newRow("alarm with timing")
        << QStringList{u"Kas (12)"_s, u"Een (1)"_s}
        << QStringList{u"Type=Alarm"_s, u"Number=1"_s, u"Description=Een"_s,
                       u"Group delay=30 seconds"_s, u"Repeat interval=5 minutes"_s}
        << true;
    QTest::newRow("alarm without timing")
        << QStringList{u"B (20)"_s, u"Tien (10)"_s}
        << QStringList{u"Type=Alarm"_s, u"Number=10"_s, u"Description=Tien"_s,
                       u"Group delay=0 seconds"_s, u"Repeat interval=0 minutes"_s}
        << true;
}

void TstZelTreePane::clickShowsPropertiesAndEnablesAssigning()
{
    QFETCH(QStringList, path);
    QFETCH(QStringList, properties);
    QFETCH(bool, assigning);

    // From an alarm first, so that every row shows a change; a grid row is selected for the
    // assign buttons to act on.
    grid().selectRows(0, 0);
    click({u"Kas (12)"_s, u"Twee (2)"_s});
    click(path);
    QStringList shown;
    const QTableWidget& list = pane().vleTree();
    for (int row = 0; row < list.rowCount(); ++row)
        shown << list.item(row, 0)->text() + u'=' + list.item(row, 1)->text();
    QCOMPARE(shown, properties);
    QVERIFY(list.selectedItems().isEmpty());
    QCOMPARE(button("tbConnect")->isEnabled(), assigning);
    QCOMPARE(button("tbGroup")->isEnabled(), assigning);
    QVERIFY(button("tbDeleteGroup")->isEnabled());

    // A node selected by the program (the jump from a grid row) refreshes as a click does, so
    // that the list and the buttons never speak of another node than the selected one.
    pane().selectNode(node({}));
    QCOMPARE(pane().selectedNode(), node({}));
    QCOMPARE(list.rowCount(), 0);
    QVERIFY(!button("tbConnect")->isEnabled());
}

void TstZelTreePane::deleteAsksAndClearsDanglingLinks_data()
{
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QStringList>("zelAlarms");
    QTest::addColumn<QStringList>("groups");

    const QString all = u"[12 Kas (5 Vijf)(1 Een 30 5)(2 Twee)][3 a ][20 B (10 Tien)(2 Zwaai)]"_s;
    const QStringList alarms{u"0012 - 01"_s, u"0012 - 05"_s, u"0020 - 10"_s, u"0012 - 02"_s};
    const QStringList groups{u"0020 - 02"_s, QString(), QString(), u"0020 - 02"_s};
    QTest::newRow("location, answered no")
        << QStringList{u"Kas (12)"_s} << false << u"question: Delete this location completely?"_s
        << all << alarms << groups;
    // Location rows and both kinds of exception row alike.
    QTest::newRow("location with assigned alarms")
        << QStringList{u"Kas (12)"_s} << true << u"question: Delete this location completely?"_s
        << u"[3 a ][20 B (10 Tien)(2 Zwaai)]"_s
        << QStringList{QString(), QString(), u"0020 - 10"_s, QString()} << groups;
    QTest::newRow("alarm used as a group")
        << QStringList{u"B (20)"_s, u"Zwaai (2)"_s} << true << u"question: Delete this alarm?"_s
        << QString(all).replace(u"(2 Zwaai)"_s, QString()) << alarms
        << QStringList{QString(), QString(), QString(), QString()};
    QTest::newRow("alarm, answered no")
        << QStringList{u"B (20)"_s, u"Zwaai (2)"_s} << false << u"question: Delete this alarm?"_s
        << all << alarms << groups;
}

void TstZelTreePane::deleteAsksAndClearsDanglingLinks()
{
    QFETCH(QStringList, path);
    QFETCH(bool, yes);
    QFETCH(QString, question);
    QFETCH(QString, catalogue);
    QFETCH(QStringList, zelAlarms);
    QFETCH(QStringList, groups);

    const QByteArray linkDefsBefore = readFile(poData(u"LinkDefs.xml"_s));
    click(path);
    m_yes = yes;
    QTest::mouseClick(button("tbDelete"), Qt::LeftButton);
    QCOMPARE(m_questions, QStringList{question});
    QCOMPARE(this->catalogue(), catalogue);
    QCOMPARE(node(path) != nullptr, !yes);
    QCOMPARE(columnCells(DefinitionColumn::ZelAlarm), zelAlarms);
    QCOMPARE(columnCells(DefinitionColumn::Group), groups);

    // The link document on disk says what the grid shows.
    DocumentOwner disk("LinkDefs.xml", kLinkDefsRoot);
    QVERIFY(disk.open().ok());
    LinkConfigPage fromDisk;
    fromDisk.FillDefinitionsGrid(*disk.document());
    for (int row = 0; row < grid().rowCount(); ++row) {
        QCOMPARE(fromDisk.sgMain().cellText(row, DefinitionColumn::ZelAlarm), zelAlarms[row]);
        QCOMPARE(fromDisk.sgMain().cellText(row, DefinitionColumn::Group), groups[row]);
    }
    if (!yes)
        QCOMPARE(readFile(poData(u"LinkDefs.xml"_s)), linkDefsBefore);
}

// A row whose ZEL alarm was emptied is marked as unassigned; the selected row stays current.
void TstZelTreePane::deletedAssignmentsShowTheRedFrame()
{
    grid().selectRow(2);
    click({u"Kas (12)"_s});
    QTest::mouseClick(button("tbDelete"), Qt::LeftButton);
    QCOMPARE(grid().currentRow(), 2);
    grid().clearSelection();
    const QImage image = grid().viewport()->grab().toImage();
    for (int row = 0; row < grid().rowCount(); ++row) {
        const QRect cell = grid().visualRect(grid().model()->index(row, DefinitionColumn::Pcu));
        const QColor edge(image.pixel(cell.left(), cell.center().y()));
        QCOMPARE(edge == QColor(Qt::red), row != 2);
    }
}

void TstZelTreePane::importAsksSavesMergesAndRefills_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QString>("tree");

    const QString all = u"[12 Kas (5 Vijf)(1 Een 30 5)(2 Twee)][3 a ][20 B (10 Tien)(2 Zwaai)]"_s;
    const QString allTree = u"Zel / B (20) / Zwaai (2), Tien (10) \\, Kas (12) / Een (1), "
                            u"Twee (2), Vijf (5) \\, a (3) \\"_s;
    const QByteArray file = R"(<?xml version="1.0" encoding="UTF-8"?><ZelDefinitions>)"
                            R"(<Location Code="12" Name="Kas Noord"><Alarm Code="1" Name="Eén"/>)"
                            R"(<Alarm Code="7" Name="Zeven"/></Location></ZelDefinitions>)";
    QTest::newRow("answered no") << false << u"import.xml"_s << file << QStringList() << all
                                 << allTree;
    QTest::newRow("merged") << true << u"import.xml"_s << file << QStringList()
                            << u"[12 Kas Noord (5 Vijf)(1 E\u00e9n 30 5)(2 Twee)(7 Zeven)][3 a ]"
                               u"[20 B (10 Tien)(2 Zwaai)]"_s
                            << u"Zel / B (20) / Zwaai (2), Tien (10) \\, Kas Noord (12) / "
                               u"E\u00e9n (1), Twee (2), Vijf (5), Zeven (7) \\, a (3) \\"_s;
    QTest::newRow("file dialog cancelled")
        << true << QString() << file << QStringList() << all << allTree;
    QTest::newRow("missing file") << true << u"missing.xml"_s << QByteArray()
                                  << QStringList{u"File not found: %1"_s} << all << allTree;
    QTest::newRow("another root") << true << u"import.xml"_s << QByteArray("<ZelAlarmDefinitions/>")
                                  << QStringList{u"Incorrect file structure"_s} << all << allTree;
    QTest::newRow("code not a whole number")
        << true << u"import.xml"_s
        << QByteArray(R"(<ZelDefinitions><Location Code="12" Name="Anders"/>)"
                      R"(<Location Code="x" Name="y"/></ZelDefinitions>)")
        << QStringList{u"Incorrect file structure"_s} << all << allTree;
}

void TstZelTreePane::importAsksSavesMergesAndRefills()
{
    QFETCH(bool, yes);
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, messages);
    QFETCH(QString, catalogue);
    QFETCH(QString, tree);

    const QString path = file.isEmpty() ? QString() : m_root.filePath(file);
    if (!content.isEmpty() && !path.isEmpty())
        QVERIFY(writeFile(path, content));
    m_chosenFile = path;
    m_yes = yes;
    const QStringList gridBefore = columnCells(DefinitionColumn::ZelAlarm);
    click({u"Kas (12)"_s});

    QSignalSpy finished(&pane(), &ZelTreePane::importFinished);
    QTest::mouseClick(button("tbImport"), Qt::LeftButton);
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(m_questions, QStringList{u"warning: Importing can result in location- and "
                                      u"alarmnames being overwritten.\rContinue?"_s});
    QCOMPARE(m_choices.size(), yes ? 1 : 0);
    if (yes) {
        const FileChoice& choice = m_choices.first();
        QCOMPARE(choice.kind, FileChoice::Open);
        QCOMPARE(choice.title, u"Open XML file"_s);
        QCOMPARE(choice.filters, (QStringList{u"XML file(*.xml)"_s, u"All files(*.*)"_s}));
        QCOMPARE(choice.directory, ExchangeDirectory());
        QVERIFY(choice.proposedName.isEmpty());
    }
    for (QString& message : messages)
        message.replace(u"%1"_s, path);
    QCOMPARE(m_messages, messages);
    QCOMPARE(this->catalogue(), catalogue);
    // The tree is rebuilt from the result; the grid is left as it was.
    QCOMPARE(treeText(), tree);
    QCOMPARE(pane().selectedNode() == nullptr, yes);
    QCOMPARE(columnCells(DefinitionColumn::ZelAlarm), gridBefore);
}

// The size alone refuses the file: a sparse file of 200 MB is never read.
void TstZelTreePane::importRefusesAnOversizeFile()
{
    const QString path = m_root.filePath(u"huge.xml"_s);
    QFile huge(path);
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.resize(qint64(200) * 1024 * 1024));
    huge.close();
    m_chosenFile = path;
    const QString before = catalogue();
    QSignalSpy finished(&pane(), &ZelTreePane::importFinished);
    QTest::mouseClick(button("tbImport"), Qt::LeftButton);
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(m_messages, QStringList{u"File too large to import: "_s + path + u" (> 128 MB)"_s});
    QCOMPARE(catalogue(), before);
    QVERIFY(button("tbImport")->isEnabled());
}

// The owner reports a failing save once in a series; the import answers each click.
void TstZelTreePane::importAnswersEveryClickWhenTheCatalogueCannotBeSaved()
{
    // A folder where the file should be: the catalogue cannot be written.
    QVERIFY(QFile::remove(poData(u"ZelDefs.xml"_s)));
    QVERIFY(m_root.mkpath(u"PoData/ZelDefs.xml"_s));
    m_chosenFile = m_root.filePath(u"import.xml"_s);
    QSignalSpy finished(&pane(), &ZelTreePane::importFinished);
    for (int click = 1; click <= 2; ++click) {
        QTest::mouseClick(button("tbImport"), Qt::LeftButton);
        QTRY_COMPARE(finished.count(), click);
        QCOMPARE(m_messages.size(), click);
        QVERIFY2(m_messages.last().startsWith(poData(u"ZelDefs.xml"_s) + u": "_s, kFileNameCase),
                 qPrintable(m_messages.last()));
    }
    // No file dialog: nothing was imported onto a catalogue that cannot be kept.
    QVERIFY(m_choices.isEmpty());
}

// The tree is filled after the import in its own order, not the file's: sorting it again changes
// nothing. Nothing edits the catalogue while the import runs.
void TstZelTreePane::importFillsTheTreeInItsSortOrder()
{
    m_chosenFile = m_root.filePath(u"import.xml"_s);
    QVERIFY(writeFile(m_chosenFile,
                      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><ZelDefinitions>"
                      "<Location Code=\"42\" Name=\"\xe9\xe9n\"/>"
                      "<Location Code=\"40\" Name=\"b\"><Alarm Code=\"9\" Name=\"N\"/>"
                      "<Alarm Code=\"3\" Name=\"D\"/><Alarm Code=\"07\" Name=\"Z\"/>"
                      "</Location><Location Code=\"41\" Name=\"Z\"/></ZelDefinitions>"));
    QSignalSpy finished(&pane(), &ZelTreePane::importFinished);
    QTest::mouseClick(button("tbImport"), Qt::LeftButton);
    for (const char* name : {"tbImport", "tbAdd", "tbEdit", "tbDelete"})
        QVERIFY2(!button(name)->isEnabled(), name);
    QVERIFY(finished.wait(10000));
    for (const char* name : {"tbImport", "tbAdd", "tbEdit", "tbDelete"})
        QVERIFY2(button(name)->isEnabled(), name);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));

    const QString filled = treeText();
    QCOMPARE(filled, u"Zel / B (20) / Zwaai (2), Tien (10) \\, Kas (12) / Een (1), Twee (2), "
                     u"Vijf (5) \\, Z (41), a (3), b (40) / D (3), Z (7), N (9) \\, "
                     u"\u00e9\u00e9n (42) \\"_s);
    pane().sortTree();
    QCOMPARE(treeText(), filled);
    // Each node names its element, also when filled this way.
    QCOMPARE(node({u"b (40)"_s, u"Z (7)"_s})->key(), (ZelItemKey{40, 7}));
}

// An edit of the catalogue while the import's worker runs is not lost: the import is made
// again on the edited catalogue, and memory and disk agree.
void TstZelTreePane::importKeepsAnEditMadeWhileItRuns()
{
    m_chosenFile = m_root.filePath(u"import.xml"_s);
    QVERIFY(writeFile(m_chosenFile,
                      R"(<ZelDefinitions><Location Code="40" Name="Nieuw"/></ZelDefinitions>)"));
    QSignalSpy finished(&pane(), &ZelTreePane::importFinished);
    QTest::mouseClick(button("tbImport"), Qt::LeftButton);
    QVERIFY(m_zelDefs->edit([](XmlDocument& zelDefs) {
        return addZelLocation(zelDefs, {77, "Tussendoor", 0, 0}) == ZelEditOutcome::Done;
    }));
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(catalogue(), u"[12 Kas (5 Vijf)(1 Een 30 5)(2 Twee)][3 a ][20 B (10 Tien)(2 Zwaai)]"
                          u"[77 Tussendoor ][40 Nieuw ]"_s);
    QVERIFY(node({u"Tussendoor (77)"_s}));
    QVERIFY(node({u"Nieuw (40)"_s}));
    QVERIFY(!m_zelDefs->isDirty());
}

void TstZelTreePane::exportProposesItsFileAndWritesIt()
{
    QTest::mouseClick(button("tbExport"), Qt::LeftButton);
    QCOMPARE(m_choices.size(), 1);
    const FileChoice& choice = m_choices.first();
    QCOMPARE(choice.kind, FileChoice::Save);
    QCOMPARE(choice.title, u"Save XML file"_s);
    QCOMPARE(choice.filters, QStringList{u"XML file(*.xml)"_s});
    QCOMPARE(choice.proposedName, u"PO Export Alarms.xml"_s);
    QCOMPARE(choice.directory, ExchangeDirectory());
    QVERIFY(QDir(ExchangeDirectory()).isEmpty());

    m_chosenFile = QDir(ExchangeDirectory()).filePath(choice.proposedName);
    QTest::mouseClick(button("tbExport"), Qt::LeftButton);
    const QByteArray written = readFile(m_chosenFile);
    QVERIFY(
        written.startsWith("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<ZelDefinitions>"
                           "<Location Code=\"12\" Name=\"Kas\"><Alarm Code=\"5\" Name=\"Vijf\"/>"));
    QVERIFY(!written.contains("GroupDelay"));
    QVERIFY(m_messages.isEmpty());

    // A file that cannot be written is told.
    m_chosenFile = m_root.filePath(u"no such folder/x.xml"_s);
    QTest::mouseClick(button("tbExport"), Qt::LeftButton);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(m_messages.first().startsWith(m_chosenFile + u": "_s));
}

void TstZelTreePane::controlsHaveAccessibleNames_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");

    const auto add = [](const char* language, const char* control, const char* name) {
        QTest::addRow("%s %s", language, control)
            << QString::fromLatin1(language) << QString::fromLatin1(control)
            << QString::fromUtf8(name);
    };
    add("ENG", "tvZelLoc", "Zel Locations and Alarms");
    add("ENG", "vleTree", "Zel Locations and Alarms");
    add("ENG", "Label7", "Zel Locations and Alarms");
    add("ENG", "tbConnect", "Assign alarm to selected items");
    add("ENG", "tbGroup", "Assign group alarm to selected items");
    add("ENG", "tbDeleteGroup", "Delete group alarm from selected items");
    add("ENG", "tbAdd", "Add alarm or location");
    add("ENG", "tbDelete", "Delete selected alarm or location");
    add("ENG", "tbEdit", "Edit selected alarm or location");
    add("ENG", "tbImport", "Import locations and alarms from ZEL-Pro");
    add("ENG", "tbExport", "Export locations and alarms to ZEL-Pro");
    add("NLD", "tvZelLoc", "ZEL-Pro Locaties en Alarmen");
    add("NLD", "tbAdd", "Alarm of locatie toevoegen");
    add("NLD", "tbExport", "Exporteer locaties en alarmen naar ZEL-Pro");
}

void TstZelTreePane::controlsHaveAccessibleNames()
{
    QFETCH(QString, language);
    QFETCH(QString, control);
    QFETCH(QString, name);

    FillLanguageTable(language);
    m_page->applyCaptions();
    QObject* widget = pane().findChild<QWidget*>(control);
    QVERIFY2(widget, qPrintable(control));
    QCOMPARE(accessibleName(widget), name);
}

QTEST_MAIN(TstZelTreePane)
#include "tst_zeltreepane.moc"
