#include "ZelTreeFixture.h"

class TstZelTreeEditing : public ZelTreeFixture
{
    Q_OBJECT
private Q_SLOTS:
    void init() { setUpFixture(); }
    void cleanup() { tearDownFixture(); }
    void addProposesTheNextCode_data();
    void addProposesTheNextCode();
    void addedItemsAreSavedSortedAndSelected_data();
    void addedItemsAreSavedSortedAndSelected();
    void existingCodeIsRefusedAndTheDialogReopens();
    void fullAlarmLocationProposes99AndRefusesIt();
    void alarmsOfAnUnopenedLocationFollowEdits_data();
    void alarmsOfAnUnopenedLocationFollowEdits();
    void editKeepsOrChangesCodes_data();
    void editKeepsOrChangesCodes();
    void namesAreCutThenTrimmed_data();
    void namesAreCutThenTrimmed();
    void noDialogWithoutASuitableSelection();
    void dialogFieldsAreNamedByTheirLabels();
    void dialogFitsWhatItShows_data();
    void dialogFitsWhatItShows();
};

void TstZelTreeEditing::addProposesTheNextCode_data()
{
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("codeMax");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("timing");

    QTest::newRow("location after the highest")
        << QStringList{} << u"Add Location"_s << 21 << 9999 << u"Location"_s << false;
    QTest::newRow("alarm of a location: 1, 2, 5 give 6")
        << QStringList{u"Kas (12)"_s} << u"Add Alarm"_s << 6 << 99 << u"Alarm"_s << true;
    QTest::newRow("alarm beside an alarm") << QStringList{u"Kas (12)"_s, u"Een (1)"_s}
                                           << u"Add Alarm"_s << 6 << 99 << u"Alarm"_s << true;
    QTest::newRow("first alarm of a location")
        << QStringList{u"a (3)"_s} << u"Add Alarm"_s << 1 << 99 << u"Alarm"_s << true;
}

void TstZelTreeEditing::addProposesTheNextCode()
{
    QFETCH(QStringList, path);
    QFETCH(QString, title);
    QFETCH(int, code);
    QFETCH(int, codeMax);
    QFETCH(QString, name);
    QFETCH(bool, timing);

    click(path);
    const QString before = catalogue();
    QTest::mouseClick(button("tbAdd"), Qt::LeftButton);
    QCOMPARE(m_shown.size(), 1);
    const ShownDialog& shown = m_shown.first();
    QCOMPARE(shown.title, title);
    QCOMPARE(shown.code, code);
    QCOMPARE(shown.codeMax, codeMax);
    QCOMPARE(shown.name, name);
    QCOMPARE(shown.groupDelay, 0);
    QCOMPARE(shown.repeat, 0);
    QCOMPARE(shown.timingShown, timing);
    // Cancelled: nothing changes.
    QCOMPARE(catalogue(), before);
    QVERIFY(m_messages.isEmpty());
}

void TstZelTreeEditing::addedItemsAreSavedSortedAndSelected_data()
{
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QString>("selected");

    QTest::newRow("location")
        << QStringList{}
        << u"[12 Kas (5 Vijf)(1 Een 30 5)(2 Twee)][3 a ][20 B (10 Tien)(2 Zwaai)][7 Afdeling ]"_s
        << u"Zel / Afdeling (7), B (20) / Zwaai (2), Tien (10) \\, Kas (12) / Een (1), "
           u"Twee (2), Vijf (5) \\, a (3) \\"_s
        << u"Afdeling (7)"_s;
    QTest::newRow("alarm beside an alarm")
        << QStringList{u"B (20)"_s, u"Tien (10)"_s}
        << u"[12 Kas (5 Vijf)(1 Een 30 5)(2 Twee)][3 a ][20 B (10 Tien)(2 Zwaai)(7 Afdeling 60 "
           u"15)]"_s
        << u"Zel / B (20) / Zwaai (2), Afdeling (7), Tien (10) \\, Kas (12) / Een (1), "
           u"Twee (2), Vijf (5) \\, a (3) \\"_s
        << u"Afdeling (7)"_s;
}

void TstZelTreeEditing::addedItemsAreSavedSortedAndSelected()
{
    QFETCH(QStringList, path);
    QFETCH(QString, catalogue);
    QFETCH(QString, tree);
    QFETCH(QString, selected);

    click(path);
    m_answers.push_back(enter(7, u"Afdeling"_s, 60, 15));
    QTest::mouseClick(button("tbAdd"), Qt::LeftButton);
    QCOMPARE(this->catalogue(), catalogue);
    QCOMPARE(treeText(), tree);
    QCOMPARE(pane().selectedNode()->text(0), selected);
    // The property list follows the new node.
    QCOMPARE(pane().vleTree().item(1, 1)->text(), u"7"_s);
    QCOMPARE(ZelAlarmExists(*m_zelDefs->document(), "0020 - 07"), !path.isEmpty());
}

void TstZelTreeEditing::existingCodeIsRefusedAndTheDialogReopens()
{
    click({});
    const QString before = catalogue();
    m_answers.push_back(enter(12, u"Nieuw"_s));
    m_answers.push_back(pressCancel());
    QTest::mouseClick(button("tbAdd"), Qt::LeftButton);
    QCOMPARE(m_messages, QStringList{u"This code already exists!"_s});
    QCOMPARE(m_shown.size(), 2);
    QCOMPARE(m_shown[1].title, u"Add Location"_s);
    QCOMPARE(m_shown[1].code, 12);
    QCOMPARE(m_shown[1].name, u"Nieuw"_s);
    QCOMPARE(catalogue(), before);
    QVERIFY(!node({u"Nieuw (12)"_s}));

    // Refused again, then a free code is taken.
    m_shown.clear();
    m_messages.clear();
    m_answers.push_back(enter(20, u"Nieuw"_s));
    m_answers.push_back(enter(21, u"Nieuw"_s));
    QTest::mouseClick(button("tbAdd"), Qt::LeftButton);
    QCOMPARE(m_shown.size(), 2);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_shown[1].code, 20);
    QVERIFY(catalogue().endsWith(u"[21 Nieuw ]"_s));
    QVERIFY(node({u"Nieuw (21)"_s}));
}

void TstZelTreeEditing::fullAlarmLocationProposes99AndRefusesIt()
{
    QVERIFY(m_zelDefs->edit([](XmlDocument& zelDefs) {
        pugi::xml_node full = zelDefs.root().append_child("Location");
        full.append_attribute("Code") = "40";
        full.append_attribute("Name") = "Vol";
        for (int code = 1; code <= 99; ++code) {
            pugi::xml_node alarm = full.append_child("Alarm");
            alarm.append_attribute("Code") = code;
            alarm.append_attribute("Name") = "x";
        }
        return true;
    }));
    pane().FillZelTree();
    click({u"Vol (40)"_s});
    m_answers.push_back(pressOk());
    QTest::mouseClick(button("tbAdd"), Qt::LeftButton);
    QCOMPARE(m_shown.first().code, 99);
    QCOMPARE(m_messages, QStringList{u"This code already exists!"_s});
    QCOMPARE(m_shown.size(), 2);
    QCOMPARE(m_shown[1].code, 99);
    QCOMPARE(node({u"Vol (40)"_s})->childCount(), 99);
}

void TstZelTreeEditing::alarmsOfAnUnopenedLocationFollowEdits_data()
{
    QTest::addColumn<QString>("jumpTo"); // a grid reference; empty: Kas selected, not opened
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("code"); // entered in the dialog with the name Drie
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QString>("kas"); // the location's node and its alarms, opened afterwards

    QTest::newRow("alarm added to a location never opened")
        << QString() << QByteArray("tbAdd") << 3
        << u"[12 Kas (5 Vijf)(1 Een 30 5)(2 Twee)(3 Drie 0 0)][3 a ][20 B (10 Tien)(2 Zwaai)]"_s
        << u"Kas (12) / Een (1), Twee (2), Drie (3), Vijf (5) \\"_s;
    QTest::newRow("location renumbered before it was opened")
        << QString() << QByteArray("tbEdit") << 13
        << u"[13 Drie (5 Vijf)(1 Een 30 5)(2 Twee)][3 a ][20 B (10 Tien)(2 Zwaai)]"_s
        << u"Drie (13) / Een (1), Twee (2), Vijf (5) \\"_s;
    QTest::newRow("alarm reached by the jump, edited")
        << u"0012 - 02"_s << QByteArray("tbEdit") << 3
        << u"[12 Kas (5 Vijf)(1 Een 30 5)(3 Drie 0 0)][3 a ][20 B (10 Tien)(2 Zwaai)]"_s
        << u"Kas (12) / Een (1), Drie (3), Vijf (5) \\"_s;
    QTest::newRow("alarm reached by the jump, deleted")
        << u"0012 - 02"_s << QByteArray("tbDelete") << 3
        << u"[12 Kas (5 Vijf)(1 Een 30 5)][3 a ][20 B (10 Tien)(2 Zwaai)]"_s
        << u"Kas (12) / Een (1), Vijf (5) \\"_s;
}

// Alarm nodes are made when first needed; an add, edit or delete that comes first must leave
// them as the catalogue is: each alarm once, in order, the node edited being the one changed.
void TstZelTreeEditing::alarmsOfAnUnopenedLocationFollowEdits()
{
    QFETCH(QString, jumpTo);
    QFETCH(QByteArray, command);
    QFETCH(int, code);
    QFETCH(QString, catalogue);
    QFETCH(QString, kas);

    if (jumpTo.isEmpty()) {
        pane().selectNode(node({u"Kas (12)"_s}));
        QCOMPARE(node({u"Kas (12)"_s})->childCount(), 0);
    } else {
        m_page->ShowAssignedZelAlarm(ZelAlarmRef::parse(jumpTo.toStdString()));
        // Closed again: the alarm stays selected, its location no longer open.
        node({u"Kas (12)"_s})->setExpanded(false);
    }
    m_answers.push_back(enter(code, u"Drie"_s));
    QTest::mouseClick(button(command.constData()), Qt::LeftButton);
    QCOMPARE(this->catalogue(), catalogue);
    const QString tree = treeText();
    QVERIFY2(tree.contains(kas), qPrintable(tree));
    QCOMPARE(tree.count(u" (5)"_s), 1);
}

void TstZelTreeEditing::editKeepsOrChangesCodes_data()
{
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("shownDelay");
    QTest::addColumn<int>("shownRepeat");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("catalogue");

    const QString unchanged =
        u"[12 Kas (5 Vijf)(1 Een 30 5)(2 Twee)][3 a ][20 B (10 Tien)(2 Zwaai)]"_s;
    QTest::newRow("location to its own code")
        << QStringList{u"Kas (12)"_s} << u"Edit Location"_s << 0 << 0 << 12 << QString()
        << QString(unchanged).replace(u"12 Kas"_s, u"12 Nieuw"_s);
    QTest::newRow("location to a free code")
        << QStringList{u"Kas (12)"_s} << u"Edit Location"_s << 0 << 0 << 13 << QString()
        << QString(unchanged).replace(u"12 Kas"_s, u"13 Nieuw"_s);
    QTest::newRow("location to another location's code")
        << QStringList{u"Kas (12)"_s} << u"Edit Location"_s << 0 << 0 << 20
        << u"This code already exists!"_s << unchanged;
    QTest::newRow("alarm to its own code")
        << QStringList{u"Kas (12)"_s, u"Een (1)"_s} << u"Edit Alarm"_s << 30 << 5 << 1 << QString()
        << QString(unchanged).replace(u"1 Een 30 5"_s, u"1 Nieuw 90 2"_s);
    QTest::newRow("alarm to a sibling's code")
        << QStringList{u"Kas (12)"_s, u"Een (1)"_s} << u"Edit Alarm"_s << 30 << 5 << 5
        << u"This code already exists!"_s << unchanged;
    // Codes are unique within their location only.
    QTest::newRow("alarm to a code of another location")
        << QStringList{u"Kas (12)"_s, u"Twee (2)"_s} << u"Edit Alarm"_s << 0 << 0 << 10 << QString()
        << QString(unchanged).replace(u"(2 Twee)"_s, u"(10 Nieuw 90 2)"_s);
}

void TstZelTreeEditing::editKeepsOrChangesCodes()
{
    QFETCH(QStringList, path);
    QFETCH(QString, title);
    QFETCH(int, shownDelay);
    QFETCH(int, shownRepeat);
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(QString, catalogue);

    click(path);
    const ZelTreeItem* edited = node(path);
    const int oldCode = edited->code();
    m_answers.push_back(enter(code, u"Nieuw"_s, 90, 2));
    QTest::mouseClick(button("tbEdit"), Qt::LeftButton);
    QCOMPARE(m_shown.first().title, title);
    QCOMPARE(m_shown.first().code, oldCode);
    QCOMPARE(m_shown.first().groupDelay, shownDelay);
    QCOMPARE(m_shown.first().repeat, shownRepeat);
    QCOMPARE(m_messages, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(this->catalogue(), catalogue);
    if (message.isEmpty())
        QCOMPARE(edited->text(0), u"Nieuw (%1)"_s.arg(code));
    else
        QCOMPARE(m_shown.size(), 2);
}

void TstZelTreeEditing::namesAreCutThenTrimmed_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");

    const QString fifty = u"ABCDEFGHIJ"_s.repeated(5);
    QTest::newRow("50 characters") << fifty << fifty.left(40);
    QTest::newRow("blanks only") << u"     "_s << QString();
    QTest::newRow("blanks around") << u"  Kas 7  "_s << u"Kas 7"_s;
    // The cut comes first: a blank at character 40 is trimmed after it.
    QTest::newRow("cut, then trimmed") << u"x"_s.repeated(39) + u" tail"_s << u"x"_s.repeated(39);
    QTest::newRow("characters outside the basic plane count once")
        << u"\U0001F600"_s.repeated(45) << u"\U0001F600"_s.repeated(40);
}

void TstZelTreeEditing::namesAreCutThenTrimmed()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);

    click({});
    m_answers.push_back(enter(30, typed));
    QTest::mouseClick(button("tbAdd"), Qt::LeftButton);
    const pugi::xml_node added =
        FindChildNode(m_zelDefs->document()->root(), "Location", {{"Code", "30"}});
    QVERIFY(added);
    QCOMPARE(QString::fromUtf8(added.attribute("Name").value()), stored);
    QCOMPARE(pane().selectedNode()->text(0), stored + u" (30)"_s);
}

void TstZelTreeEditing::noDialogWithoutASuitableSelection()
{
    const QString before = catalogue();
    // Nothing selected: neither add, edit nor delete does anything.
    for (const char* name : {"tbAdd", "tbEdit", "tbDelete"})
        QTest::mouseClick(button(name), Qt::LeftButton);
    click({});
    QTest::mouseClick(button("tbEdit"), Qt::LeftButton);
    QTest::mouseClick(button("tbDelete"), Qt::LeftButton);
    QVERIFY(m_shown.isEmpty());
    QVERIFY(m_questions.isEmpty());
    QCOMPARE(catalogue(), before);
    QCOMPARE(pane().selectedNode(), node({}));
}

void TstZelTreeEditing::dialogFieldsAreNamedByTheirLabels()
{
    QStringList names;
    pane().interaction().runItemDialog = [&names](TOKBottomDlg& dialog) {
        for (const char* field : {"spnCode", "edtNaam", "spnDelay", "spnHerhaal"}) {
            auto* widget = dialog.findChild<QWidget*>(QLatin1String(field));
            if (!widget->isHidden())
                names << accessibleName(widget);
        }
        for (const char* button : {"OKBtn", "CancelBtn"})
            names << accessibleName(dialog.findChild<QWidget*>(QLatin1String(button)));
    };
    click({});
    QTest::mouseClick(button("tbAdd"), Qt::LeftButton);
    click({u"a (3)"_s});
    QTest::mouseClick(button("tbAdd"), Qt::LeftButton);
    QCOMPARE(names, (QStringList{u"Location-code"_s, u"Location-name"_s, u"OK"_s, u"Cancel"_s,
                                 u"Alarm-code"_s, u"Alarm-name"_s, u"Group delay"_s,
                                 u"Repeat interval"_s, u"OK"_s, u"Cancel"_s}));
}

void TstZelTreeEditing::dialogFitsWhatItShows_data()
{
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<QString>("lastField");

    QTest::newRow("location: no band where the timing would be") << QStringList{} << u"edtNaam"_s;
    QTest::newRow("alarm: the timing shows") << QStringList{u"Kas (12)"_s} << u"spnHerhaal"_s;
}

// Below the last field it shows come the buttons, with no more room than the layout's spacing.
void TstZelTreeEditing::dialogFitsWhatItShows()
{
    QFETCH(QStringList, path);
    QFETCH(QString, lastField);

    int gap = -1;
    bool within = false;
    m_answers.push_back([&](TOKBottomDlg& dialog) {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QWidget* field = control<QWidget>(&dialog, lastField.toLatin1().constData());
        const QWidget* ok = control<QWidget>(&dialog, "OKBtn");
        gap = ok->geometry().top() - field->geometry().bottom();
        within = ok->geometry().bottom() < dialog.height();
        pressCancel()(dialog);
    });
    click(path);
    QTest::mouseClick(button("tbAdd"), Qt::LeftButton);
    QVERIFY(within);
    QVERIFY2(gap >= 0 && gap <= 12, qPrintable(QString::number(gap)));
}

QTEST_MAIN(TstZelTreeEditing)
#include "tst_zeltreeediting.moc"
