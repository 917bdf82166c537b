// Adding, editing and deleting ZEL locations and alarms: the catalogue is changed by the
// store's editing functions through the document's owner, then the node follows. A node names
// its element by the key it holds, never by its text.

#include "ZelTreePane.h"

#include "ZelTreeItem.h"

#include "core/Language.h"
#include "store/DocumentOwner.h"
#include "store/ZelCatalogue.h"
#include "ui/logic/ZelNodeText.h"

#include <QTreeWidget>

using namespace Qt::StringLiterals;

using Mode = TOKBottomDlg::Mode;
using Kind = TOKBottomDlg::Kind;

namespace {

QList<int> childCodes(const QTreeWidgetItem& parent)
{
    QList<int> codes;
    for (int i = 0; i < parent.childCount(); ++i)
        codes << int(static_cast<const ZelTreeItem*>(parent.child(i))->code());
    return codes;
}

ZelItemData itemData(const ZelItemValues& values)
{
    return {values.code, values.name.toStdString(), values.groupDelay, values.repeat};
}

} // namespace

void ZelTreePane::EditZelItem(TOKBottomDlg::Mode mode)
{
    ZelTreeItem* node = selectedNode();
    if (!node)
        return;
    if (mode == Mode::Edit && node->level() == ZelTreeItem::Root) {
        sortTree();
        tvZelLocClick();
        return;
    }
    // A new alarm's code is proposed among its siblings and its node joins them: they must be
    // there first.
    if (mode == Mode::Add)
        makeAlarms(node);
    TOKBottomDlg dialog(this);
    prepareDialog(dialog, mode, *node);
    for (;;) {
        // A refused code shows the dialog again with what the operator entered.
        dialog.FormShow();
        m_interaction.runItemDialog(dialog);
        if (!dialog.accepted() || applyDialog(dialog, *node) != ZelEditOutcome::Duplicate)
            break;
        m_interaction.showMessage(LangText(12, u"This code already exists!"_s));
    }
    sortTree();
    tvZelLocClick();
}

void ZelTreePane::prepareDialog(TOKBottomDlg& dialog, TOKBottomDlg::Mode mode,
                                const ZelTreeItem& node)
{
    dialog.setMode(mode);
    ZelItemValues values;
    const bool location = mode == Mode::Add ? node.level() == ZelTreeItem::Root
                                            : node.level() == ZelTreeItem::Location;
    dialog.setKind(location ? Kind::Location : Kind::Alarm);
    if (mode == Mode::Add) {
        // The new item goes among the children of the selected node, or among the selected
        // alarm's siblings.
        const QTreeWidgetItem& parent = node.level() == ZelTreeItem::Alarm
                                            ? *node.parent()
                                            : static_cast<const QTreeWidgetItem&>(node);
        const int max = location ? TOKBottomDlg::LocationCodeMax : TOKBottomDlg::AlarmCodeMax;
        values.code = proposedCode(childCodes(parent), max);
        values.name = location ? LangText(10, u"Location"_s) : LangText(11, u"Alarm"_s);
    } else {
        // A code that is no whole number is to be mended: a free one is proposed.
        values.code = node.hasValidCode() ? int(node.code())
                                          : proposedCode(childCodes(*node.parent()),
                                                         location ? TOKBottomDlg::LocationCodeMax
                                                                  : TOKBottomDlg::AlarmCodeMax);
        values.name = node.name();
        const std::optional<ZelItemData> stored =
            document() ? readZelItem(*document(), node.key()) : std::nullopt;
        if (!location && stored) {
            values.groupDelay = stored->groupDelay;
            values.repeat = stored->repeat;
        }
    }
    dialog.setValues(values);
}

ZelEditOutcome ZelTreePane::applyDialog(const TOKBottomDlg& dialog, ZelTreeItem& node)
{
    const ZelItemData data = itemData(dialog.values());
    const bool add = dialog.mode() == Mode::Add;
    ZelTreeItem* parent = nullptr;
    const ZelItemKey oldKey = node.key();
    ZelEditOutcome outcome = ZelEditOutcome::NotFound;
    m_zelDefs->edit([&](XmlDocument& zelDefs) {
        if (!add) {
            outcome = editZelItem(zelDefs, oldKey, data);
        } else if (dialog.kind() == Kind::Location) {
            parent = rootNode();
            outcome = addZelLocation(zelDefs, data);
        } else {
            parent = node.level() == ZelTreeItem::Location
                         ? &node
                         : static_cast<ZelTreeItem*>(node.parent());
            outcome = addZelAlarm(zelDefs, parent->key(), data);
        }
        return outcome == ZelEditOutcome::Done;
    });
    if (outcome != ZelEditOutcome::Done)
        return outcome;
    saveZelDefs();
    const QString name = QString::fromStdString(data.name);
    if (add) {
        m_tvZelLoc->setCurrentItem(new ZelTreeItem(parent, data.code, name));
        return outcome;
    }
    node.setCodeAndName(data.code, name);
    // The same location or alarm under another number: what named it must name it still.
    const ZelItemKey newKey = node.key();
    if (oldKey.hasValidCodes() && newKey != oldKey)
        Q_EMIT zelItemRenumbered(oldKey, newKey);
    return outcome;
}

void ZelTreePane::tbDeleteClick()
{
    ZelTreeItem* node = selectedNode();
    if (!node)
        return;
    switch (node->level()) {
    case ZelTreeItem::Root:
        break;
    case ZelTreeItem::Location:
        if (m_interaction.ask(QMessageBox::Question,
                              LangText(8, u"Delete this location completely?"_s)))
            deleteNode(*node);
        break;
    case ZelTreeItem::Alarm:
        if (m_interaction.ask(QMessageBox::Question, LangText(9, u"Delete this alarm?"_s)))
            deleteNode(*node);
        break;
    }
    tvZelLocClick();
}

void ZelTreePane::deleteNode(ZelTreeItem& node)
{
    const ZelItemKey key = node.key();
    const bool deleted = m_zelDefs && m_zelDefs->edit([&](XmlDocument& zelDefs) {
        return deleteZelItem(zelDefs, key) == ZelEditOutcome::Done;
    });
    if (!deleted)
        return;
    saveZelDefs();
    delete &node;
    Q_EMIT zelItemDeleted(key);
}

// Every change reaches the disk at once; a failure is logged and shown by the owner.
void ZelTreePane::saveZelDefs()
{
    (void)m_zelDefs->save();
}
