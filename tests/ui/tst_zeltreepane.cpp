#include "ui/dialogs/TOKBottomDlg.h"
#include "ui/pages/DefinitionsGrid.h"
#include "ui/pages/LinkConfigPage.h"
#include "ui/pages/ZelTreeItem.h"
#include "ui/pages/ZelTreePane.h"

#include "core/Directories.h"
#include "core/Language.h"
#include "core/Log.h"
#include "store/DocumentOwner.h"
#include "store/Documents.h"
#include "store/ZelDefs.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <deque>
#include <functional>
#include <sstream>

using namespace Qt::StringLiterals;

namespace {

// Kas holds alarms 1, 2 and 5 (alarm 1 with its timing); B holds 10 and 2; a holds none.
const QByteArray kZelDefs = R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<ZelAlarmDefinitions>
	<Location Code="12" Name="Kas">
		<Alarm Code="5" Name="Vijf"/>
		<Alarm Code="1" Name="Een" GroupDelay="30" Repeat="5"/>
		<Alarm Code="2" Name="Twee"/>
	</Location>
	<Location Code="3" Name="a"/>
	<Location Code="20" Name="B">
		<Alarm Code="10" Name="Tien"/>
		<Alarm Code="2" Name="Zwaai"/>
	</Location>
</ZelAlarmDefinitions>
)";

// Grid rows: 0 location P1 and 1 its exception, both naming alarms of Kas, with group B 2;
// 2 location P2 naming B 10; 3 a general exception naming Kas 2 with group B 2.
const QByteArray kLinkDefs = R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<ZelPOLinkDefs>
<PO_Locations>
  <PO_loc pcu="P1" text="Noord" zel_alarm="0012 - 01" zel_group="0020 - 02">
    <Except nr="4" text="Hoog" zel_alarm="0012 - 05"/>
  </PO_loc>
  <PO_loc pcu="P2" text="Zuid" zel_alarm="0020 - 10"/>
</PO_Locations>
<PO_Exceptions>
  <Except nr="7" text="Storing" zel_alarm="0012 - 02" zel_group="0020 - 02"/>
</PO_Exceptions>
</ZelPOLinkDefs>
)";

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QString accessibleName(QObject* object)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : u"(no interface)"_s;
}

template <typename T> T* control(QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

// How the dialog looked when it was shown.
struct ShownDialog
{
    QString title;
    int code = 0;
    int codeMax = 0;
    QString name;
    int groupDelay = 0;
    int repeat = 0;
    bool timingShown = false;
};

ShownDialog snapshot(TOKBottomDlg& dialog)
{
    ShownDialog shown;
    shown.title = dialog.windowTitle();
    shown.code = control<QSpinBox>(&dialog, "spnCode")->value();
    shown.codeMax = control<QSpinBox>(&dialog, "spnCode")->maximum();
    shown.name = control<QLineEdit>(&dialog, "edtNaam")->text();
    shown.groupDelay = control<QSpinBox>(&dialog, "spnDelay")->value();
    shown.repeat = control<QSpinBox>(&dialog, "spnHerhaal")->value();
    shown.timingShown = !control<QSpinBox>(&dialog, "spnDelay")->isHidden();
    return shown;
}

using DialogAnswer = std::function<void(TOKBottomDlg&)>;

// Types into the dialog as the operator would and presses OK; a negative number leaves
// that field as shown.
DialogAnswer enter(int code, const QString& name, int groupDelay = -1, int repeat = -1)
{
    return [=](TOKBottomDlg& dialog) {
        QSpinBox* spnCode = control<QSpinBox>(&dialog, "spnCode");
        // Typed, not set: OK must read what stands in the box.
        spnCode->findChild<QLineEdit*>()->setText(QString::number(code));
        control<QLineEdit>(&dialog, "edtNaam")->setText(name);
        if (groupDelay >= 0)
            control<QSpinBox>(&dialog, "spnDelay")->setValue(groupDelay);
        if (repeat >= 0)
            control<QSpinBox>(&dialog, "spnHerhaal")->setValue(repeat);
        control<QPushButton>(&dialog, "OKBtn")->click();
    };
}

DialogAnswer pressOk()
{
    return [](TOKBottomDlg& dialog) { control<QPushButton>(&dialog, "OKBtn")->click(); };
}

DialogAnswer pressCancel()
{
    return [](TOKBottomDlg& dialog) { control<QPushButton>(&dialog, "CancelBtn")->click(); };
}

} // namespace

class TstZelTreePane : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void treeShowsTheCatalogueSorted();
    void clickShowsPropertiesAndEnablesAssigning_data();
    void clickShowsPropertiesAndEnablesAssigning();
    void addProposesTheNextCode_data();
    void addProposesTheNextCode();
    void addedItemsAreSavedSortedAndSelected_data();
    void addedItemsAreSavedSortedAndSelected();
    void existingCodeIsRefusedAndTheDialogReopens();
    void fullAlarmLocationProposes99AndRefusesIt();
    void editKeepsOrChangesCodes_data();
    void editKeepsOrChangesCodes();
    void namesAreCutThenTrimmed_data();
    void namesAreCutThenTrimmed();
    void noDialogWithoutASuitableSelection();
    void deleteAsksAndClearsDanglingLinks_data();
    void deleteAsksAndClearsDanglingLinks();
    void deletedAssignmentsShowTheRedFrame();
    void importAsksSavesMergesAndRefills_data();
    void importAsksSavesMergesAndRefills();
    void exportProposesItsFileAndWritesIt();
    void controlsHaveAccessibleNames_data();
    void controlsHaveAccessibleNames();
    void dialogFieldsAreNamedByTheirLabels();

private:
    QString poData(const QString& name) const { return m_root.filePath(u"PoData/"_s + name); }
    ZelTreePane& pane() const { return m_page->zelTree(); }
    QTreeWidget& tree() const { return pane().tvZelLoc(); }
    DefinitionsGrid& grid() const { return m_page->sgMain(); }
    QToolButton* button(const char* name) const { return control<QToolButton>(&pane(), name); }

    // The node reached by texts, level by level from below the root ("Kas (12)", "Een (1)");
    // an empty path is the root.
    ZelTreeItem* node(const QStringList& path) const;
    // Clicks the node as the operator would (its location expanded so that it shows).
    void click(const QStringList& path);
    // Node texts of the whole tree, a level deeper after "/", siblings in order.
    QString treeText() const;
    QString catalogue() const;
    QStringList columnCells(int column) const;
    void reloadPage();

    std::unique_ptr<QTemporaryDir> m_dir;
    QDir m_root;
    std::unique_ptr<DocumentOwner> m_zelDefs;
    std::unique_ptr<DocumentOwner> m_linkDefs;
    std::unique_ptr<LinkConfigPage> m_page;

    std::deque<DialogAnswer> m_answers;
    QList<ShownDialog> m_shown;
    bool m_yes = true;
    QStringList m_questions;
    QStringList m_messages;
    QString m_chosenFile;
    QList<FileChoice> m_choices;
};

void TstZelTreePane::init()
{
    FillLanguageTable(u"ENG"_s);
    m_dir = std::make_unique<QTemporaryDir>();
    m_root.setPath(m_dir->path());
    QVERIFY(m_root.mkpath(u"bin"_s));
    QVERIFY(m_root.mkpath(u"data"_s));
    QVERIFY(m_root.mkpath(u"PoData"_s));
    QVERIFY(writeFile(m_root.filePath(u"bin/PO.ini"_s),
                      "[Application]\ndatapath=" + m_root.filePath(u"data"_s).toUtf8() + "\n"));
    resetDirectories(m_root.filePath(u"bin"_s));
    Log::instance().setFileName(m_root.filePath(u"data/ZELPO.LOG"_s));
    QVERIFY(writeFile(poData(u"ZelDefs.xml"_s), kZelDefs));
    QVERIFY(writeFile(poData(u"LinkDefs.xml"_s), kLinkDefs));

    m_zelDefs = std::make_unique<DocumentOwner>("ZelDefs.xml", kZelDefsRoot);
    m_linkDefs = std::make_unique<DocumentOwner>("LinkDefs.xml", kLinkDefsRoot);
    QCOMPARE(m_zelDefs->open().outcome, OpenResult::Loaded);
    QCOMPARE(m_linkDefs->open().outcome, OpenResult::Loaded);

    m_answers.clear();
    m_shown.clear();
    m_yes = true;
    m_questions.clear();
    m_messages.clear();
    m_chosenFile.clear();
    m_choices.clear();
    reloadPage();
}

void TstZelTreePane::reloadPage()
{
    m_page = std::make_unique<LinkConfigPage>();
    m_page->resize(1100, 600);
    m_page->setDocuments(m_zelDefs.get(), m_linkDefs.get());
    ZelTreeInteraction& interaction = pane().interaction();
    interaction.runItemDialog = [this](TOKBottomDlg& dialog) {
        m_shown << snapshot(dialog);
        if (m_answers.empty()) {
            pressCancel()(dialog);
            return;
        }
        const DialogAnswer answer = m_answers.front();
        m_answers.pop_front();
        answer(dialog);
    };
    interaction.ask = [this](QMessageBox::Icon icon, const QString& text) {
        m_questions << (icon == QMessageBox::Warning ? u"warning: "_s : u"question: "_s) + text;
        return m_yes;
    };
    interaction.showMessage = [this](const QString& text) { m_messages << text; };
    interaction.chooseFile = [this](const FileChoice& choice) {
        m_choices << choice;
        return m_chosenFile;
    };
    pane().FillZelTree();
    m_page->FillDefinitionsGrid(*m_linkDefs->document());
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
}

void TstZelTreePane::cleanup()
{
    m_page.reset();
    m_zelDefs.reset();
    m_linkDefs.reset();
    resetDirectories();
    m_dir.reset();
    resetLanguageTable();
}

ZelTreeItem* TstZelTreePane::node(const QStringList& path) const
{
    QTreeWidgetItem* current = tree().topLevelItem(0);
    for (const QString& text : path) {
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; current && i < current->childCount(); ++i) {
            if (current->child(i)->text(0) == text)
                next = current->child(i);
        }
        current = next;
    }
    return static_cast<ZelTreeItem*>(current);
}

void TstZelTreePane::click(const QStringList& path)
{
    ZelTreeItem* target = node(path);
    QVERIFY2(target, qPrintable(path.join(u'/')));
    if (target->parent())
        target->parent()->setExpanded(true);
    tree().scrollToItem(target);
    const QRect area = tree().visualItemRect(target);
    QVERIFY(!area.isEmpty());
    QTest::mouseClick(tree().viewport(), Qt::LeftButton, {}, area.center());
    QCOMPARE(pane().selectedNode(), target);
}

QString TstZelTreePane::treeText() const
{
    const std::function<QString(const QTreeWidgetItem*)> text = [&](const QTreeWidgetItem* item) {
        QString line = item->text(0);
        QStringList children;
        for (int i = 0; i < item->childCount(); ++i)
            children << text(item->child(i));
        if (!children.isEmpty())
            line += u" / "_s + children.join(u", "_s) + u" \\"_s;
        return line;
    };
    return tree().topLevelItemCount() == 1 ? text(tree().topLevelItem(0)) : u"(not one root)"_s;
}

// The catalogue in memory, and that it is on disk as it is in memory.
QString TstZelTreePane::catalogue() const
{
    QString text;
    for (const pugi::xml_node location : m_zelDefs->document()->root().children()) {
        text += u'[';
        for (const pugi::xml_attribute attr : location.attributes())
            text += QString::fromUtf8(attr.value()) + u' ';
        for (const pugi::xml_node alarm : location.children()) {
            text += u'(';
            QStringList values;
            for (const pugi::xml_attribute attr : alarm.attributes())
                values << QString::fromUtf8(attr.value());
            text += values.join(u' ') + u')';
        }
        text += u']';
    }
    DocumentOwner disk("ZelDefs.xml", kZelDefsRoot);
    if (!disk.open().ok())
        return u"(unreadable on disk)"_s;
    std::ostringstream inMemory;
    std::ostringstream onDisk;
    m_zelDefs->document()->root().print(inMemory);
    disk.document()->root().print(onDisk);
    return inMemory.str() == onDisk.str() ? text : u"(disk differs) "_s + text;
}

QStringList TstZelTreePane::columnCells(int column) const
{
    QStringList cells;
    for (int row = 0; row < grid().rowCount(); ++row)
        cells << grid().cellText(row, column);
    return cells;
}

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
    QVERIFY(button("tbDeleteGroup")->isEnabled());
    QCOMPARE(pane().vleTree().rowCount(), 0);
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

    // From an alarm first, so that every row shows a change.
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

    // A node selected by the program leaves the refresh to the next click.
    pane().selectQuietly(node({}));
    QCOMPARE(list.rowCount(), properties.size());
}

void TstZelTreePane::addProposesTheNextCode_data()
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

void TstZelTreePane::addProposesTheNextCode()
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

void TstZelTreePane::addedItemsAreSavedSortedAndSelected_data()
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

void TstZelTreePane::addedItemsAreSavedSortedAndSelected()
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

void TstZelTreePane::existingCodeIsRefusedAndTheDialogReopens()
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

void TstZelTreePane::fullAlarmLocationProposes99AndRefusesIt()
{
    XmlDocument& zelDefs = *m_zelDefs->document();
    pugi::xml_node full = zelDefs.root().append_child("Location");
    full.append_attribute("Code") = "40";
    full.append_attribute("Name") = "Vol";
    for (int code = 1; code <= 99; ++code) {
        pugi::xml_node alarm = full.append_child("Alarm");
        alarm.append_attribute("Code") = code;
        alarm.append_attribute("Name") = "x";
    }
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

void TstZelTreePane::editKeepsOrChangesCodes_data()
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

void TstZelTreePane::editKeepsOrChangesCodes()
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

void TstZelTreePane::namesAreCutThenTrimmed_data()
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

void TstZelTreePane::namesAreCutThenTrimmed()
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

void TstZelTreePane::noDialogWithoutASuitableSelection()
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

    QTest::mouseClick(button("tbImport"), Qt::LeftButton);
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

void TstZelTreePane::dialogFieldsAreNamedByTheirLabels()
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

QTEST_MAIN(TstZelTreePane)
#include "tst_zeltreepane.moc"
