#include "ZelTreeFixture.h"

#include "store/LinkDefs.h"
#include "ui/dialogs/TOKBottomDlg1.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QSignalSpy>

namespace {

// Rows: 0 P1 Noord and 1 its exception 4; 2 P2 Zuid; 3 P3 Oost, unassigned; 4 P4 West;
// 5 the general exception 7. The alarm types include one whose nr the server did not give.
const QByteArray kAssignLinkDefs = R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<ZelPOLinkDefs>
<PO_Locations>
  <PO_loc pcu="P1" text="Noord" zel_alarm="0012 - 01" zel_group="0020 - 02">
    <Except nr="4" text="Hoog" zel_alarm="0012 - 05"/>
  </PO_loc>
  <PO_loc pcu="P2" text="Zuid" zel_alarm="0020 - 10"/>
  <PO_loc pcu="P3" text="Oost"/>
  <PO_loc pcu="P4" text="West" zel_alarm="0012 - 05" zel_group="0012 - 01"/>
</PO_Locations>
<PO_AlarmTypes>
  <PO_Alarm nr="4" text="Hoog"/>
  <PO_Alarm nr="7" text="Storing"/>
  <PO_Alarm nr="18" text="Laag"/>
  <PO_Alarm nr="-\-" text="Onbekend"/>
</PO_AlarmTypes>
<PO_Exceptions>
  <Except nr="7" text="Storing" zel_alarm="0012 - 02" zel_group="0020 - 02"/>
</PO_Exceptions>
</ZelPOLinkDefs>
)";

// How the document on disk assigns, in document order: "pcu=alarm/group" per location with
// "nr=alarm/group" per exception in brackets, then "G nr=alarm/group" per general exception.
// An absent attribute shows as "~", so that an emptied one stays distinguishable.
QString storedAssignments()
{
    DocumentOwner disk("LinkDefs.xml", kLinkDefsRoot);
    if (!disk.open().ok())
        return u"(unreadable)"_s;
    const auto value = [](pugi::xml_node node, const char* name) -> QString {
        const pugi::xml_attribute attr = node.attribute(name);
        return attr ? QString::fromUtf8(attr.value()) : u"~"_s;
    };
    const auto assignment = [&](pugi::xml_node node, const char* key) -> QString {
        return value(node, key) + u'=' + value(node, LinkDefsXml::ZelAlarm) + u'/' +
               value(node, LinkDefsXml::ZelGroup);
    };
    QStringList parts;
    const pugi::xml_node root = disk.document()->root();
    for (const pugi::xml_node location : root.child(LinkDefsXml::Locations).children()) {
        QString part = assignment(location, LinkDefsXml::Pcu);
        QStringList exceptions;
        for (const pugi::xml_node exception : location.children())
            exceptions << assignment(exception, LinkDefsXml::Nr);
        if (!exceptions.isEmpty())
            part += u" ["_s + exceptions.join(u", "_s) + u']';
        parts << part;
    }
    for (const pugi::xml_node exception : root.child(LinkDefsXml::GeneralExceptions).children())
        parts << u"G "_s + assignment(exception, LinkDefsXml::Nr);
    return parts.join(u"; "_s);
}

const QString kInitial = u"P1=0012 - 01/0020 - 02 [4=0012 - 05/~]; P2=0020 - 10/~; P3=~/~; "
                         u"P4=0012 - 05/0012 - 01; G 7=0012 - 02/0020 - 02"_s;

// How the operator answers the add-exceptions dialog.
struct ExceptAnswer
{
    bool general = false;
    QString nrFilter;
    QString textFilter;
    QList<int> rows; // of sgExcept; empty: Ctrl+A
    bool add = true;
};

} // namespace

class TstLinkAssign : public ZelTreeFixture
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup() { tearDownFixture(); }

    void assignWritesVisibleSelectedRows_data();
    void assignWritesVisibleSelectedRows();
    void oneEnableRuleForTheThreeButtons_data();
    void oneEnableRuleForTheThreeButtons();
    void assignWithoutAlarmNodeChangesNoRowButSaves_data();
    void assignWithoutAlarmNodeChangesNoRowButSaves();
    void deleteGroupStoresEmptyGroup_data();
    void deleteGroupStoresEmptyGroup();
    void addExceptions_data();
    void addExceptions();
    void cancelledDialogChangesAndSavesNothing();
    void dialogShowsAlarmTypesAndNamesItsControls();
    void typingInAFilterBoxTicksItAndFilters_data();
    void typingInAFilterBoxTicksItAndFilters();
    void deleteExceptions_data();
    void deleteExceptions();
    void doubleClickShowsAssignedLocation_data();
    void doubleClickShowsAssignedLocation();
    void assignKeepsTheOtherHalfAsStored();

private:
    void select(int top, int bottom, const QList<int>& hidden = {});
    void answerExceptDialog(const ExceptAnswer& answer);
    QString dialogRows(TOKBottomDlg1& dialog, bool visibleOnly) const;

    std::unique_ptr<QSignalSpy> m_saved;
    QStringList m_shownTypes;
};

void TstLinkAssign::init()
{
    setUpFixture();
    QVERIFY(writeFile(poData(u"LinkDefs.xml"_s), kAssignLinkDefs));
    QCOMPARE(m_linkDefs->reload().outcome, OpenResult::Loaded);
    reloadPage();
    QCOMPARE(grid().rowCount(), 6);
    m_saved = std::make_unique<QSignalSpy>(m_linkDefs.get(), &DocumentOwner::saved);
    m_shownTypes.clear();
}

// One block of rows, some of them hidden as the filter hides them.
void TstLinkAssign::select(int top, int bottom, const QList<int>& hidden)
{
    grid().clearSelection();
    for (const int row : hidden)
        grid().setRowHidden(row, true);
    grid().selectRows(top, bottom);
}

QString TstLinkAssign::dialogRows(TOKBottomDlg1& dialog, bool visibleOnly) const
{
    QStringList rows;
    QTableWidget& types = dialog.sgExcept();
    for (int row = 0; row < types.rowCount(); ++row) {
        if (!visibleOnly || !types.isRowHidden(row))
            rows << types.item(row, 1)->text() + u':' + types.item(row, 2)->text();
    }
    return rows.join(u' ');
}

void TstLinkAssign::answerExceptDialog(const ExceptAnswer& answer)
{
    m_page->interaction().runExceptDialog = [this, answer](TOKBottomDlg1& dialog) {
        m_shownTypes << dialogRows(dialog, false);
        if (!answer.nrFilter.isEmpty())
            QTest::keyClicks(control<QLineEdit>(&dialog, "edFilter1"), answer.nrFilter);
        if (!answer.textFilter.isEmpty())
            QTest::keyClicks(control<QLineEdit>(&dialog, "edFilter2"), answer.textFilter);
        QTableWidget& types = dialog.sgExcept();
        if (answer.rows.isEmpty()) {
            QTest::keyClick(&types, Qt::Key_A, Qt::ControlModifier);
        } else {
            types.clearSelection();
            types.setRangeSelected(
                QTableWidgetSelectionRange(answer.rows.first(), 1, answer.rows.last(), 2), true);
        }
        if (answer.general)
            control<QRadioButton>(&dialog, "rgSelectedGeneral")->click();
        control<QPushButton>(&dialog, answer.add ? "OKBtn" : "CancelBtn")->click();
    };
}

void TstLinkAssign::assignWritesVisibleSelectedRows_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("alarmNode");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("bottom");
    QTest::addColumn<QList<int>>("hidden");
    QTest::addColumn<QStringList>("zelAlarmCells");
    QTest::addColumn<QStringList>("groupCells");
    QTest::addColumn<QString>("stored");

    const QString a = u"0012 - 02"_s;
    QTest::newRow("alarm to five rows, two hidden")
        << u"tbConnect"_s << QStringList{u"Kas (12)"_s, u"Twee (2)"_s} << 0 << 4 << QList<int>{1, 3}
        << QStringList{a, u"0012 - 05"_s, a, u""_s, a, a}
        << QStringList{u"0020 - 02"_s, u""_s, u""_s, u""_s, u"0012 - 01"_s, u"0020 - 02"_s}
        << u"P1=0012 - 02/0020 - 02 [4=0012 - 05/~]; P2=0012 - 02/; P3=~/~; "
           u"P4=0012 - 02/0012 - 01; G 7=0012 - 02/0020 - 02"_s;
    QTest::newRow("alarm to a location exception keeps its group")
        << u"tbConnect"_s << QStringList{u"B (20)"_s, u"Tien (10)"_s} << 1 << 1 << QList<int>{}
        << QStringList{u"0012 - 01"_s, u"0020 - 10"_s, u"0020 - 10"_s, u""_s, u"0012 - 05"_s, a}
        << QStringList{u"0020 - 02"_s, u""_s, u""_s, u""_s, u"0012 - 01"_s, u"0020 - 02"_s}
        << u"P1=0012 - 01/0020 - 02 [4=0020 - 10/]; P2=0020 - 10/~; P3=~/~; "
           u"P4=0012 - 05/0012 - 01; G 7=0012 - 02/0020 - 02"_s;
    QTest::newRow("alarm to the general exception")
        << u"tbConnect"_s << QStringList{u"Kas (12)"_s, u"Vijf (5)"_s} << 5 << 5 << QList<int>{}
        << QStringList{u"0012 - 01"_s, u"0012 - 05"_s, u"0020 - 10"_s,
                       u""_s,          u"0012 - 05"_s, u"0012 - 05"_s}
        << QStringList{u"0020 - 02"_s, u""_s, u""_s, u""_s, u"0012 - 01"_s, u"0020 - 02"_s}
        << u"P1=0012 - 01/0020 - 02 [4=0012 - 05/~]; P2=0020 - 10/~; P3=~/~; "
           u"P4=0012 - 05/0012 - 01; G 7=0012 - 05/0020 - 02"_s;
    QTest::newRow("group keeps each row's alarm")
        << u"tbGroup"_s << QStringList{u"Kas (12)"_s, u"Een (1)"_s} << 2 << 4 << QList<int>{}
        << QStringList{u"0012 - 01"_s, u"0012 - 05"_s, u"0020 - 10"_s, u""_s, u"0012 - 05"_s, a}
        << QStringList{u"0020 - 02"_s, u""_s,          u"0012 - 01"_s,
                       u"0012 - 01"_s, u"0012 - 01"_s, u"0020 - 02"_s}
        << u"P1=0012 - 01/0020 - 02 [4=0012 - 05/~]; P2=0020 - 10/0012 - 01; "
           u"P3=/0012 - 01; P4=0012 - 05/0012 - 01; G 7=0012 - 02/0020 - 02"_s;
}

void TstLinkAssign::assignWritesVisibleSelectedRows()
{
    QFETCH(QString, button);
    QFETCH(QStringList, alarmNode);
    QFETCH(int, top);
    QFETCH(int, bottom);
    QFETCH(QList<int>, hidden);
    QFETCH(QStringList, zelAlarmCells);
    QFETCH(QStringList, groupCells);
    QFETCH(QString, stored);

    click(alarmNode);
    select(top, bottom, hidden);
    QToolButton* tool = this->button(button.toLatin1().constData());
    QVERIFY(tool->isEnabled());
    tool->click();

    QCOMPARE(columnCells(DefinitionColumn::ZelAlarm), zelAlarmCells);
    QCOMPARE(columnCells(DefinitionColumn::Group), groupCells);
    QCOMPARE(storedAssignments(), stored);
    QCOMPARE(m_saved->count(), 1);
    // Written in place: hidden rows stay hidden, the written cells fit their column.
    for (const int row : hidden)
        QVERIFY(grid().isRowHidden(row));
    const int column =
        button == u"tbConnect"_s ? DefinitionColumn::ZelAlarm : DefinitionColumn::Group;
    QVERIFY(grid().columnWidth(column) >=
            grid().fontMetrics().horizontalAdvance(u"0012 - 02"_s) + 15);
}

void TstLinkAssign::oneEnableRuleForTheThreeButtons_data()
{
    QTest::addColumn<QStringList>("node");
    QTest::addColumn<int>("top"); // -1: no row selected
    QTest::addColumn<QList<int>>("hidden");
    QTest::addColumn<bool>("assign");
    QTest::addColumn<bool>("deleteGroup");

    const QStringList alarm{u"Kas (12)"_s, u"Een (1)"_s};
    QTest::newRow("nothing selected") << QStringList{} << -1 << QList<int>{} << false << false;
    QTest::newRow("alarm, no row") << alarm << -1 << QList<int>{} << false << false;
    QTest::newRow("row, no alarm")
        << QStringList{u"Kas (12)"_s} << 0 << QList<int>{} << false << true;
    QTest::newRow("alarm and row") << alarm << 0 << QList<int>{} << true << true;
    QTest::newRow("alarm and a row hidden by the filter")
        << alarm << 0 << QList<int>{0} << false << false;
}

// Each of the three is enabled exactly when it can change a row.
void TstLinkAssign::oneEnableRuleForTheThreeButtons()
{
    QFETCH(QStringList, node);
    QFETCH(int, top);
    QFETCH(QList<int>, hidden);
    QFETCH(bool, assign);
    QFETCH(bool, deleteGroup);

    click(node);
    if (top >= 0)
        select(top, top, hidden);
    m_page->FilterDefinitionsGrid();
    for (const int row : hidden)
        grid().setRowHidden(row, true);
    m_page->updateAssignButtons();
    QCOMPARE(button("tbConnect")->isEnabled(), assign);
    QCOMPARE(button("tbGroup")->isEnabled(), assign);
    QCOMPARE(button("tbDeleteGroup")->isEnabled(), deleteGroup);
}

void TstLinkAssign::assignWithoutAlarmNodeChangesNoRowButSaves_data()
{
    QTest::addColumn<QStringList>("node");
    QTest::newRow("root") << QStringList{};
    QTest::newRow("location") << QStringList{u"Kas (12)"_s};
}

void TstLinkAssign::assignWithoutAlarmNodeChangesNoRowButSaves()
{
    QFETCH(QStringList, node);
    click(node);
    select(0, 5);
    QVERIFY(!button("tbConnect")->isEnabled());
    const QStringList before = columnCells(DefinitionColumn::ZelAlarm);
    m_page->tbConnectClick();
    m_page->tbGroupClick();
    QCOMPARE(columnCells(DefinitionColumn::ZelAlarm), before);
    QCOMPARE(storedAssignments(), kInitial);
    QCOMPARE(m_saved->count(), 2);
}

void TstLinkAssign::deleteGroupStoresEmptyGroup_data()
{
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("bottom");
    QTest::addColumn<QList<int>>("hidden");
    QTest::addColumn<QString>("stored");

    QTest::newRow("location row") << 0 << 0 << QList<int>{}
                                  << u"P1=0012 - 01/ [4=0012 - 05/~]; P2=0020 - 10/~; P3=~/~; "
                                     u"P4=0012 - 05/0012 - 01; G 7=0012 - 02/0020 - 02"_s;
    QTest::newRow("location exception row")
        << 1 << 1 << QList<int>{}
        << u"P1=0012 - 01/0020 - 02 [4=0012 - 05/]; P2=0020 - 10/~; P3=~/~; "
           u"P4=0012 - 05/0012 - 01; G 7=0012 - 02/0020 - 02"_s;
    QTest::newRow("block with the general exception hidden")
        << 4 << 5 << QList<int>{5}
        << u"P1=0012 - 01/0020 - 02 [4=0012 - 05/~]; P2=0020 - 10/~; P3=~/~; "
           u"P4=0012 - 05/; G 7=0012 - 02/0020 - 02"_s;
}

void TstLinkAssign::deleteGroupStoresEmptyGroup()
{
    QFETCH(int, top);
    QFETCH(int, bottom);
    QFETCH(QList<int>, hidden);
    QFETCH(QString, stored);

    // No tree node is needed.
    QVERIFY(!pane().selectedNode());
    select(top, bottom, hidden);
    button("tbDeleteGroup")->click();
    QCOMPARE(storedAssignments(), stored);
    QCOMPARE(m_saved->count(), 1);
    for (int row = top; row <= bottom; ++row) {
        if (!hidden.contains(row))
            QCOMPARE(grid().cellText(row, DefinitionColumn::Group), QString());
    }
}

void TstLinkAssign::addExceptions_data()
{
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("bottom");
    QTest::addColumn<bool>("general");
    QTest::addColumn<QString>("nrFilter");
    QTest::addColumn<QString>("textFilter");
    QTest::addColumn<QList<int>>("typeRows");
    QTest::addColumn<QString>("stored");

    QTest::newRow("to the selected locations, with their alarm and group")
        << 2 << 4 << false << QString() << QString() << QList<int>{2}
        << u"P1=0012 - 01/0020 - 02 [4=0012 - 05/~]; P2=0020 - 10/~ [18=0020 - 10/]; "
           u"P3=~/~ [18=/]; P4=0012 - 05/0012 - 01 [18=0012 - 05/0012 - 01]; "
           u"G 7=0012 - 02/0020 - 02"_s;
    QTest::newRow("only exception rows selected adds nothing")
        << 1 << 1 << false << QString() << QString() << QList<int>{0, 3} << kInitial;
    QTest::newRow("the same type twice updates the one exception")
        << 0 << 1 << false << QString() << QString() << QList<int>{0}
        << u"P1=0012 - 01/0020 - 02 [4=0012 - 01/0020 - 02]; P2=0020 - 10/~; P3=~/~; "
           u"P4=0012 - 05/0012 - 01; G 7=0012 - 02/0020 - 02"_s;
    QTest::newRow("an existing general exception loses its assignment")
        << 0 << 0 << true << QString() << QString() << QList<int>{1}
        << u"P1=0012 - 01/0020 - 02 [4=0012 - 05/~]; P2=0020 - 10/~; P3=~/~; "
           u"P4=0012 - 05/0012 - 01; G 7=/"_s;
    QTest::newRow("Ctrl+A adds only the types the nr filter shows")
        << 0 << 0 << true << u"8"_s << QString() << QList<int>{} << kInitial + u"; G 18=/"_s;
    QTest::newRow("text filter ignores the case")
        << 3 << 3 << false << QString() << u"HOOG"_s << QList<int>{}
        << u"P1=0012 - 01/0020 - 02 [4=0012 - 05/~]; P2=0020 - 10/~; P3=~/~ [4=/]; "
           u"P4=0012 - 05/0012 - 01; G 7=0012 - 02/0020 - 02"_s;
}

void TstLinkAssign::addExceptions()
{
    QFETCH(int, top);
    QFETCH(int, bottom);
    QFETCH(bool, general);
    QFETCH(QString, nrFilter);
    QFETCH(QString, textFilter);
    QFETCH(QList<int>, typeRows);
    QFETCH(QString, stored);

    // A hidden main row in the block would be passed over too; the filter bar shows all here.
    grid().setRowHidden(5, true);
    select(top, bottom);
    answerExceptDialog({general, nrFilter, textFilter, typeRows, true});
    control<QToolButton>(m_page.get(), "tbAddExcept")->click();

    QCOMPARE(m_shownTypes, QStringList{u"4:Hoog 7:Storing 18:Laag :Onbekend"_s});
    QCOMPARE(storedAssignments(), stored);
    QCOMPARE(m_saved->count(), 1);
    // Rebuilt with the filter bar applied again (it shows every row), the top row current.
    QVERIFY(!grid().isRowHidden(5));
    QCOMPARE(grid().currentRow(), top);
}

void TstLinkAssign::cancelledDialogChangesAndSavesNothing()
{
    grid().setRowHidden(5, true);
    select(2, 3);
    answerExceptDialog({false, QString(), QString(), {0, 2}, false});
    control<QToolButton>(m_page.get(), "tbAddExcept")->click();
    QCOMPARE(m_shownTypes.size(), 1);
    QCOMPARE(storedAssignments(), kInitial);
    QCOMPARE(m_saved->count(), 0);
    // Not rebuilt: the hidden row stays hidden.
    QVERIFY(grid().isRowHidden(5));
}

void TstLinkAssign::dialogShowsAlarmTypesAndNamesItsControls()
{
    TOKBottomDlg1 dialog;
    dialog.setLinkDefs(m_linkDefs.get());
    dialog.FormShow();
    QCOMPARE(dialogRows(dialog, false), u"4:Hoog 7:Storing 18:Laag :Onbekend"_s);
    QCOMPARE(dialog.windowTitle(), u"Add Exceptions"_s);
    QCOMPARE(dialog.size(), QSize(501, 419));
    QCOMPARE(dialog.sgExcept().horizontalHeaderItem(1)->text(), u"Code"_s);
    QCOMPARE(dialog.sgExcept().horizontalHeaderItem(2)->text(), u"Text"_s);
    QCOMPARE(dialog.sgExcept().columnWidth(0), 15);
    QCOMPARE(dialog.gfAlarm().Grid(), &dialog.sgExcept());
    QVERIFY(control<QRadioButton>(&dialog, "rgSelectedLocations")->isChecked());
    QVERIFY(control<QPushButton>(&dialog, "OKBtn")->isDefault());
    QVERIFY(!dialog.accepted());

    const QList<std::pair<const char*, QString>> names = {
        {"sgExcept", u"Add Exceptions"_s},
        {"cbFilter1", u"nr"_s},
        {"edFilter1", u"Code"_s},
        {"cbFilter2", u"text"_s},
        {"edFilter2", u"Text"_s},
        {"rgSelectedLocations", u"Add only to the selected location(s)"_s},
        {"rgSelectedGeneral", u"Add as general exception (independent from locations)"_s},
        {"CancelBtn", u"Cancel"_s},
        {"OKBtn", u"Add Selection"_s},
    };
    for (const auto& [name, expected] : names)
        QCOMPARE(accessibleName(control<QWidget>(&dialog, name)), expected);

    // Escape closes it not accepted.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.accepted());

    // A document without alarm types shows an empty grid.
    QVERIFY(m_linkDefs->edit([](XmlDocument& linkDefs) {
        return linkDefs.root().remove_child(LinkDefsXml::AlarmTypes);
    }));
    dialog.FormShow();
    QCOMPARE(dialog.sgExcept().rowCount(), 0);
}

void TstLinkAssign::typingInAFilterBoxTicksItAndFilters_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");

    QTest::newRow("nr contains") << u"edFilter1"_s << u"cbFilter1"_s << u"1"_s << u"18:Laag"_s;
    QTest::newRow("text ignores case")
        << u"edFilter2"_s << u"cbFilter2"_s << u"oRI"_s << u"7:Storing"_s;
    QTest::newRow("a dot is a plain character")
        << u"edFilter2"_s << u"cbFilter2"_s << u"g.s"_s << QString();
    QTest::newRow("blanks only filter nothing")
        << u"edFilter1"_s << u"cbFilter1"_s << u"  "_s << u"4:Hoog 7:Storing 18:Laag :Onbekend"_s;
}

void TstLinkAssign::typingInAFilterBoxTicksItAndFilters()
{
    QFETCH(QString, box);
    QFETCH(QString, check);
    QFETCH(QString, typed);
    QFETCH(QString, shown);

    TOKBottomDlg1 dialog;
    dialog.setLinkDefs(m_linkDefs.get());
    dialog.FormShow();
    auto* tick = control<QCheckBox>(&dialog, check.toLatin1().constData());
    QVERIFY(!tick->isChecked());
    QTest::keyClicks(control<QLineEdit>(&dialog, box.toLatin1().constData()), typed);
    QVERIFY(tick->isChecked());
    QCOMPARE(dialogRows(dialog, true), shown);

    // Unticking shows every type again.
    tick->click();
    QCOMPARE(dialogRows(dialog, true), u"4:Hoog 7:Storing 18:Laag :Onbekend"_s);
}

void TstLinkAssign::deleteExceptions_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("bottom");
    QTest::addColumn<QList<int>>("hidden");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("current");

    QTest::newRow("No keeps everything") << false << 1 << 1 << QList<int>{} << kInitial << 6 << -1;
    QTest::newRow("an exception row removes its whole location")
        << true << 1 << 1 << QList<int>{}
        << u"P2=0020 - 10/~; P3=~/~; P4=0012 - 05/0012 - 01; G 7=0012 - 02/0020 - 02"_s << 4 << 0;
    QTest::newRow("the general exception and a location, hidden row kept")
        << true << 3 << 5 << QList<int>{4}
        << u"P1=0012 - 01/0020 - 02 [4=0012 - 05/~]; P2=0020 - 10/~; P4=0012 - 05/0012 - 01"_s << 4
        << 2;
    QTest::newRow("first row leaves no row current")
        << true << 0 << 0 << QList<int>{}
        << u"P2=0020 - 10/~; P3=~/~; P4=0012 - 05/0012 - 01; G 7=0012 - 02/0020 - 02"_s << 4 << -1;
}

void TstLinkAssign::deleteExceptions()
{
    QFETCH(bool, yes);
    QFETCH(int, top);
    QFETCH(int, bottom);
    QFETCH(QList<int>, hidden);
    QFETCH(QString, stored);
    QFETCH(int, rows);
    QFETCH(int, current);

    QStringList questions;
    m_page->interaction().confirm = [&](const QString& text) {
        questions << text;
        return yes;
    };
    grid().setCurrentCell(-1, -1);
    select(top, bottom, hidden);
    control<QToolButton>(m_page.get(), "tbDeleteExcept")->click();

    QCOMPARE(questions, QStringList{u"Delete all selected exceptions and locations?"_s});
    QCOMPARE(storedAssignments(), stored);
    QCOMPARE(m_saved->count(), yes ? 1 : 0);
    QCOMPARE(grid().rowCount(), rows);
    if (yes)
        QCOMPARE(grid().currentRow(), current);
}

void TstLinkAssign::doubleClickShowsAssignedLocation_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("zelAlarm"); // written into the row's cell; null: as stored
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("expanded");
    QTest::addColumn<QString>("properties"); // type|number|description
    QTest::addColumn<QString>("assigned");   // to P3 by Assign afterwards; "~": nothing

    const QString kas = u"Kas (12)"_s;
    QTest::newRow("location row") << 0 << QString() << u"Een (1)"_s << kas << u"Alarm|1|Een"_s
                                  << u"0012 - 01"_s;
    QTest::newRow("the row's own alarm, not its location's first")
        << 2 << QString() << u"Tien (10)"_s << u"B (20)"_s << u"Alarm|10|Tien"_s << u"0020 - 10"_s;
    QTest::newRow("location exception row")
        << 1 << QString() << u"Vijf (5)"_s << kas << u"Alarm|5|Vijf"_s << u"0012 - 05"_s;
    QTest::newRow("general exception row")
        << 5 << QString() << u"Twee (2)"_s << kas << u"Alarm|2|Twee"_s << u"0012 - 02"_s;
    QTest::newRow("alarm not in its location: the location")
        << 3 << u"0012 - 09"_s << kas << kas << u"Location|12|Kas"_s << u"~"_s;
    // Nothing changes: the alarm clicked before stays selected and shown.
    QTest::newRow("empty ZEL Alarm cell")
        << 3 << QString() << u"Zwaai (2)"_s << QString() << u"Alarm|2|Zwaai"_s << u"0020 - 02"_s;
    QTest::newRow("location not in the tree") << 3 << u"0099 - 01"_s << u"Zwaai (2)"_s << QString()
                                              << u"Alarm|2|Zwaai"_s << u"0020 - 02"_s;
}

// The jump selects the row's own ZEL alarm, and the property list and the assign buttons
// follow it, so that Assign writes the alarm the operator sees.
void TstLinkAssign::doubleClickShowsAssignedLocation()
{
    QFETCH(int, row);
    QFETCH(QString, zelAlarm);
    QFETCH(QString, selected);
    QFETCH(QString, expanded);
    QFETCH(QString, properties);
    QFETCH(QString, assigned);

    // Another alarm was clicked before: the first of its location.
    click({u"B (20)"_s, u"Zwaai (2)"_s});
    node({u"B (20)"_s})->setExpanded(false);
    // Kas has never been opened: the jump into it finds alarm nodes that are still to be made.
    QCOMPARE(node({u"Kas (12)"_s})->childCount(), 0);
    if (!zelAlarm.isNull())
        grid().writeAssignment(row, DefinitionColumn::ZelAlarm,
                               AssignedRef::fromStored(zelAlarm.toStdString()));
    const QRect cell = grid().visualRect(grid().model()->index(row, DefinitionColumn::Pcu));
    QSignalSpy doubleClicked(&grid(), &DefinitionsGrid::cellDoubleClicked);
    // The first click of a double-click, then the second one that the view sees as double.
    QTest::mouseClick(grid().viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid().viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(doubleClicked.count(), 1);
    QCOMPARE(grid().currentRow(), row);

    ZelTreeItem* chosen = pane().selectedNode();
    QCOMPARE(chosen ? chosen->text(0) : QString(), selected);
    QStringList open;
    for (int i = 0; i < tree().topLevelItem(0)->childCount(); ++i) {
        if (tree().topLevelItem(0)->child(i)->isExpanded())
            open << tree().topLevelItem(0)->child(i)->text(0);
    }
    QCOMPARE(open.join(u','), expanded);
    QStringList shown;
    for (int line = 0; line < 3; ++line)
        shown << pane().vleTree().item(line, 1)->text();
    QCOMPARE(shown.join(u'|'), properties);
    QCOMPARE(m_saved->count(), 0);

    select(3, 3);
    QCOMPARE(button("tbConnect")->isEnabled(), assigned != u"~");
    button("tbConnect")->click();
    const QString p3 = storedAssignments().split(u"; "_s).value(2);
    QVERIFY2(p3.startsWith(u"P3="_s + assigned + u'/'), qPrintable(p3));
}

// Per row: kind (L, E, G) and "!" when the painter frames it red, as the view reads them.
static QString paintedKinds(const DefinitionsGrid& grid)
{
    static const char kinds[] = {'L', 'E', 'G'};
    QStringList rows;
    for (int row = 0; row < grid.rowCount(); ++row) {
        const QModelIndex cell = grid.model()->index(row, DefinitionColumn::Alarm);
        const int kind = cell.data(DefinitionsModel::KindRole).toInt();
        rows << QLatin1Char(kinds[kind]) +
                    (cell.data(DefinitionsModel::UnassignedRole).toBool() ? u"!"_s : QString());
    }
    return rows.join(u' ');
}

// Texts that are no reference in the written form (a hand-edited code, an exception's "0")
// are written back as stored when the other half is assigned, and the red frame follows the
// row's ZEL alarm as it changes.
void TstLinkAssign::assignKeepsTheOtherHalfAsStored()
{
    QVERIFY(writeFile(poData(u"LinkDefs.xml"_s), R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<ZelPOLinkDefs>
<PO_Locations>
  <PO_loc pcu="P1" text="Noord" zel_alarm="12345 - 01"><Except nr="4" zel_alarm="0"/></PO_loc>
  <PO_loc pcu="P3" text="Oost"/>
</PO_Locations>
</ZelPOLinkDefs>
)"));
    QCOMPARE(m_linkDefs->reload().outcome, OpenResult::Loaded);
    reloadPage();
    QCOMPARE(paintedKinds(grid()), u"L E L!"_s);

    click({u"Kas (12)"_s, u"Twee (2)"_s});
    select(0, 1);
    button("tbGroup")->click();
    QCOMPARE(storedAssignments(), u"P1=12345 - 01/0012 - 02 [4=0/0012 - 02]; P3=~/~"_s);
    QCOMPARE(columnCells(DefinitionColumn::ZelAlarm), (QStringList{u"12345 - 01"_s, u"0"_s, {}}));

    select(2, 2);
    button("tbConnect")->click();
    QCOMPARE(storedAssignments(), u"P1=12345 - 01/0012 - 02 [4=0/0012 - 02]; P3=0012 - 02/"_s);
    QCOMPARE(paintedKinds(grid()), u"L E L"_s);
}

QTEST_MAIN(TstLinkAssign)
#include "tst_linkassign.moc"
