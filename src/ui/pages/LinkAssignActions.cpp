// The actions of the link configuration page that change the link document from the grid's
// selection: assigning ZEL alarms and groups, adding and removing exceptions, and the jump
// from a row to its ZEL location in the tree. Each row names its element by the key it holds.

#include "DefinitionsGrid.h"
#include "LinkConfigPage.h"
#include "ZelTreeItem.h"
#include "ZelTreePane.h"

#include "core/Language.h"
#include "store/DocumentOwner.h"
#include "store/LinkDefs.h"
#include "store/ZelAlarmRef.h"
#include "ui/QuestionBox.h"
#include "ui/VisibleSelection.h"
#include "ui/dialogs/TOKBottomDlg1.h"

#include <QToolButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
namespace C = DefinitionColumn;

void LinkConfigPage::connectAssignActions()
{
    connect(&m_zelTree->tbConnect(), &QToolButton::clicked, this, &LinkConfigPage::tbConnectClick);
    connect(&m_zelTree->tbGroup(), &QToolButton::clicked, this, &LinkConfigPage::tbGroupClick);
    connect(&m_zelTree->tbDeleteGroup(), &QToolButton::clicked, this,
            &LinkConfigPage::tbDeleteGroupClick);
    connect(m_tbAddExcept, &QToolButton::clicked, this, &LinkConfigPage::tbAddExceptClick);
    connect(m_tbDeleteExcept, &QToolButton::clicked, this, &LinkConfigPage::tbDeleteExceptClick);
    connect(m_sgMain, &DefinitionsGrid::cellDoubleClicked, this, &LinkConfigPage::sgMainDblClick);
}

void LinkConfigPage::setUpDefaultInteraction()
{
    m_interaction.runExceptDialog = [](TOKBottomDlg1& dialog) { dialog.exec(); };
    m_interaction.confirm = [this](const QString& text) {
        return askYesNo(this, QMessageBox::Question, window()->windowTitle(), text);
    };
}

const XmlDocument* LinkConfigPage::linkDocument() const
{
    return m_linkDefs ? m_linkDefs->document() : nullptr;
}

void LinkConfigPage::saveLinkDefs()
{
    (void)m_linkDefs->save(); // a failure is logged and shown by the owner
}

// Writes column (ZEL Alarm or Group) of every row into its element, the other of the two as
// the row holds it. A row changes only where the document did: a row whose element is gone
// keeps showing what the document holds.
void LinkConfigPage::writeAssignment(const QList<int>& rows, int column, const AssignedRef& value)
{
    QList<int> changed;
    m_linkDefs->edit([&](XmlDocument& linkDefs) {
        for (const int row : rows) {
            const DefinitionRow& shown = m_sgMain->definitionRow(row);
            const AssignedRef& alarm = column == C::ZelAlarm ? value : shown.zelAlarm;
            const AssignedRef& group = column == C::Group ? value : shown.zelGroup;
            if (assignLinkAt(linkDefs, shown.key, alarm.stored(), group.stored()))
                changed << row;
        }
        return !changed.isEmpty();
    });
    for (const int row : changed)
        m_sgMain->writeAssignment(row, column, value);
}

void LinkConfigPage::rebuildWithCurrentRow(int row)
{
    FillDefinitionsGrid(*linkDocument());
    if (row >= 0 && row < m_sgMain->rowCount())
        m_sgMain->setCurrentCell(row, C::Pcu);
}

void LinkConfigPage::tbConnectClick()
{
    AssignZelAlarm(C::ZelAlarm);
}

void LinkConfigPage::tbGroupClick()
{
    AssignZelAlarm(C::Group);
}

// With the root or a location selected no row changes, but the document is still saved.
void LinkConfigPage::AssignZelAlarm(int column)
{
    const ZelTreeItem* node = m_zelTree->selectedNode();
    if (!linkDocument() || !node)
        return;
    if (node->level() == ZelTreeItem::Alarm) {
        const ZelItemKey key = node->key();
        const AssignedRef ref{ZelAlarmRef{int(key.location), int(key.alarm)}, {}};
        writeAssignment(m_sgMain->visibleSelectedRows(), column, ref);
    }
    saveLinkDefs();
}

void LinkConfigPage::tbDeleteGroupClick()
{
    if (!linkDocument())
        return;
    writeAssignment(m_sgMain->visibleSelectedRows(), C::Group, {});
    saveLinkDefs();
}

void LinkConfigPage::tbAddExceptClick()
{
    if (!linkDocument())
        return;
    // Only location rows receive exceptions; exception rows in the selection are passed over.
    std::vector<ExceptTargetLocation> targets;
    for (const int row : m_sgMain->visibleSelectedRows()) {
        const DefinitionRow& location = m_sgMain->definitionRow(row);
        if (location.isLocation())
            targets.push_back({location.key, location.zelAlarm, location.zelGroup});
    }
    TOKBottomDlg1 dialog(window());
    dialog.setLinkDefs(m_linkDefs);
    dialog.setTargetLocations(std::move(targets));
    dialog.FormShow();
    m_interaction.runExceptDialog(dialog);
    if (dialog.accepted())
        rebuildWithCurrentRow(selectionTop(*m_sgMain));
}

// A location row, or any of its exception rows, removes the whole location link; a general
// exception row removes that exception.
void LinkConfigPage::tbDeleteExceptClick()
{
    if (!linkDocument())
        return;
    if (!m_interaction.confirm(LangText(18, u"Delete all selected exceptions and locations?"_s)))
        return;
    const QList<int> rows = m_sgMain->visibleSelectedRows();
    m_linkDefs->edit([&](XmlDocument& linkDefs) {
        bool removed = false;
        for (const int row : rows)
            removed |= removeLinkAt(linkDefs, m_sgMain->rowKey(row));
        return removed;
    });
    // The row above the first removed one becomes current.
    const int top = selectionTop(*m_sgMain);
    rebuildWithCurrentRow(top > 0 ? top - 1 : -1);
    saveLinkDefs();
}

void LinkConfigPage::sgMainDblClick()
{
    const int row = m_sgMain->currentRow();
    if (row >= 0)
        ShowAssignedZelAlarm(m_sgMain->definitionRow(row).zelAlarm.ref);
}

// Opens the location the reference names and selects its alarm, or the location itself when
// the alarm is not in it; the property list and the assign buttons follow, as after a click.
// Locations and alarms are found by the codes their nodes hold.
void LinkConfigPage::ShowAssignedZelAlarm(const std::optional<ZelAlarmRef>& ref)
{
    QTreeWidgetItem* root = m_zelTree->tvZelLoc().topLevelItem(0);
    if (!ref || !root)
        return;
    for (int i = 0; i < root->childCount(); ++i) {
        auto* location = static_cast<ZelTreeItem*>(root->child(i));
        if (location->code() != ref->location)
            continue;
        m_zelTree->makeAlarms(location);
        location->setExpanded(true);
        QTreeWidgetItem* chosen = location;
        for (int j = 0; j < location->childCount(); ++j) {
            if (static_cast<ZelTreeItem*>(location->child(j))->code() == ref->alarm) {
                chosen = location->child(j);
                break;
            }
        }
        m_zelTree->selectNode(chosen);
        return;
    }
}
