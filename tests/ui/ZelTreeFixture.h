#pragma once

#include "TestFiles.h"

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
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <deque>
#include <functional>
#include <sstream>

// The link configuration page on a ZelDefs.xml and a LinkDefs.xml in a temporary data
// directory, with every dialog and question of the ZEL tree answered by the test.

using namespace Qt::StringLiterals;

// Kas holds alarms 1, 2 and 5 (alarm 1 with its timing); B holds 10 and 2; a holds none.
inline const QByteArray kZelDefs = R"(<?xml version="1.0" encoding="ISO-8859-1"?>
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
inline const QByteArray kLinkDefs = R"(<?xml version="1.0" encoding="ISO-8859-1"?>
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

inline QString accessibleName(QObject* object)
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

inline ShownDialog snapshot(TOKBottomDlg& dialog)
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
inline DialogAnswer enter(int code, const QString& name, int groupDelay = -1, int repeat = -1)
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

inline DialogAnswer pressOk()
{
    return [](TOKBottomDlg& dialog) { control<QPushButton>(&dialog, "OKBtn")->click(); };
}

inline DialogAnswer pressCancel()
{
    return [](TOKBottomDlg& dialog) { control<QPushButton>(&dialog, "CancelBtn")->click(); };
}

// Node texts of a whole tree, a level deeper after "/", siblings in order; every location's
// alarm nodes are made for it.
QString treeTextOf(ZelTreePane& pane);

class ZelTreeFixture : public QObject
{
protected:
    void setUpFixture();
    void tearDownFixture();

    QString poData(const QString& name) const { return m_root.filePath(u"PoData/"_s + name); }
    ZelTreePane& pane() const { return m_page->zelTree(); }
    QTreeWidget& tree() const { return pane().tvZelLoc(); }
    DefinitionsGrid& grid() const { return m_page->sgMain(); }
    QToolButton* button(const char* name) const { return control<QToolButton>(&pane(), name); }

    // The node reached by texts, level by level from below the root ("Kas (12)", "Een (1)");
    // an empty path is the root. The alarm nodes of a location passed through are made; those
    // of the node reached are left as they are.
    ZelTreeItem* node(const QStringList& path) const;
    // Clicks the node as the operator would (its location expanded so that it shows).
    void click(const QStringList& path);
    // Node texts of the whole tree, a level deeper after "/", siblings in order.
    QString treeText() const;
    // The catalogue in memory, marked when the file on disk differs from it.
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
