// The actions of the link configuration page that change the link document from the grid's
// selection: assigning ZEL alarms and groups, adding and removing exceptions, and the jump
// from a row to its ZEL location in the tree.

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
#include "ui/logic/ZelNodeText.h"

#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

using namespace Qt::StringLiterals;
namespace C = DefinitionColumn;

namespace {

// The number passed for a location row when its whole link is removed.
constexpr std::string_view LocationRowNr = "--";
constexpr qsizetype ZelAlarmRefLength = 9;
constexpr qsizetype ZelLocationDigits = 4;

} // namespace

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

XmlDocument* LinkConfigPage::linkDocument() const
{
    return m_linkDefs ? m_linkDefs->document() : nullptr;
}

void LinkConfigPage::saveLinkDefs()
{
    m_linkDefs->markDirty();
    (void)m_linkDefs->save(); // a failure is logged and shown by the owner
}

// The row's cells are its arguments: the cell not being assigned is written back unchanged,
// and the PCU "--" of a general exception row makes the operation act on that exception.
void LinkConfigPage::assignRow(XmlDocument& linkDefs, int row)
{
    AssignLink(linkDefs, m_sgMain->cellText(row, C::Pcu).toStdString(),
               m_sgMain->cellText(row, C::Location).toStdString(),
               m_sgMain->cellText(row, C::ZelAlarm).toStdString(),
               exceptionAlarmNr(m_sgMain->cellText(row, C::Alarm)).toStdString(), {},
               m_sgMain->cellText(row, C::Group).toStdString());
}

void LinkConfigPage::rebuildWithCurrentRow(XmlDocument& linkDefs, int row)
{
    FillDefinitionsGrid(linkDefs);
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
    XmlDocument* linkDefs = linkDocument();
    const ZelTreeItem* node = m_zelTree->selectedNode();
    if (!linkDefs || !node)
        return;
    if (node->level() == ZelTreeItem::Alarm) {
        const auto* location = static_cast<const ZelTreeItem*>(node->parent());
        const QString ref =
            QString::fromStdString(formatZelAlarmRef(location->code(), node->code()));
        for (const int row : m_sgMain->visibleSelectedRows()) {
            m_sgMain->writeCell(row, column, ref);
            assignRow(*linkDefs, row);
        }
    }
    saveLinkDefs();
}

void LinkConfigPage::tbDeleteGroupClick()
{
    XmlDocument* linkDefs = linkDocument();
    if (!linkDefs)
        return;
    for (const int row : m_sgMain->visibleSelectedRows()) {
        m_sgMain->writeCell(row, C::Group, {});
        assignRow(*linkDefs, row);
    }
    saveLinkDefs();
}

void LinkConfigPage::tbAddExceptClick()
{
    XmlDocument* linkDefs = linkDocument();
    if (!linkDefs)
        return;
    // Only location rows receive exceptions; exception rows in the selection are passed over.
    std::vector<ExceptTargetLocation> targets;
    for (const int row : m_sgMain->visibleSelectedRows()) {
        if (!isLocationRow(m_sgMain->cellText(row, C::Alarm)))
            continue;
        targets.push_back({m_sgMain->cellText(row, C::Pcu).toStdString(),
                           m_sgMain->cellText(row, C::Location).toStdString(),
                           m_sgMain->cellText(row, C::ZelAlarm).toStdString(),
                           m_sgMain->cellText(row, C::Group).toStdString()});
    }
    TOKBottomDlg1 dialog(window());
    dialog.setLinkDefs(m_linkDefs);
    dialog.setTargetLocations(std::move(targets));
    dialog.FormShow();
    m_interaction.runExceptDialog(dialog);
    if (dialog.accepted())
        rebuildWithCurrentRow(*linkDefs, selectionTop(*m_sgMain));
}

// A location row, or any of its exception rows, removes the whole location link; a general
// exception row removes that exception.
void LinkConfigPage::tbDeleteExceptClick()
{
    XmlDocument* linkDefs = linkDocument();
    if (!linkDefs)
        return;
    if (!m_interaction.confirm(LangText(18, u"Delete all selected exceptions and locations?"_s)))
        return;
    for (const int row : m_sgMain->visibleSelectedRows()) {
        const QString alarm = m_sgMain->cellText(row, C::Alarm);
        const std::string nr = isLocationRow(alarm) ? std::string(LocationRowNr)
                                                    : exceptionAlarmNr(alarm).toStdString();
        RemoveLink(*linkDefs, m_sgMain->cellText(row, C::Pcu).toStdString(),
                   m_sgMain->cellText(row, C::Location).toStdString(), nr);
    }
    // The row above the first removed one becomes current.
    const int top = selectionTop(*m_sgMain);
    rebuildWithCurrentRow(*linkDefs, top > 0 ? top - 1 : -1);
    saveLinkDefs();
}

void LinkConfigPage::sgMainDblClick()
{
    const int row = m_sgMain->currentRow();
    if (row >= 0)
        ShowAssignedZelAlarm(m_sgMain->cellText(row, C::ZelAlarm));
}

// Selected by program, so the property list and the assign buttons keep the state of the last
// click in the tree.
void LinkConfigPage::ShowAssignedZelAlarm(const QString& zelAlarm)
{
    if (zelAlarm.size() != ZelAlarmRefLength)
        return;
    bool number = false;
    const int code = zelAlarm.first(ZelLocationDigits).toInt(&number);
    if (!number)
        return;
    for (QTreeWidgetItemIterator it(&m_zelTree->tvZelLoc()); *it; ++it) {
        QTreeWidgetItem* node = *it;
        if (SplitNodeText(node->text(0)).code != code)
            continue;
        node->setExpanded(true);
        if (node->childCount() > 0)
            m_zelTree->selectQuietly(node->child(0));
    }
}
