// Adding, editing and deleting ZEL locations and alarms: the document first, then the node.
// A node finds its element by the code in its text.

#include "ZelTreePane.h"

#include "ZelTreeItem.h"

#include "core/Language.h"
#include "store/DocumentOwner.h"
#include "store/Documents.h"
#include "store/XmlNodeEdit.h"
#include "store/ZelAlarmRef.h"
#include "store/ZelDefs.h"
#include "ui/logic/ZelNodeText.h"

#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace X = ZelDefsXml;
using Mode = TOKBottomDlg::Mode;
using Kind = TOKBottomDlg::Kind;

namespace {

AttributeFilter codeFilter(int code)
{
    return {{X::Code, std::to_string(code)}};
}

QList<int> childCodes(const QTreeWidgetItem& parent)
{
    QList<int> codes;
    for (int i = 0; i < parent.childCount(); ++i)
        codes << static_cast<const ZelTreeItem*>(parent.child(i))->code();
    return codes;
}

// Whether a sibling of node, not node itself, carries the code.
bool siblingHasCode(const QTreeWidgetItem& node, int code)
{
    const QTreeWidgetItem* parent = node.parent();
    for (int i = 0; parent && i < parent->childCount(); ++i) {
        const auto* sibling = static_cast<const ZelTreeItem*>(parent->child(i));
        if (sibling != &node && sibling->code() == code)
            return true;
    }
    return false;
}

void writeElement(pugi::xml_node element, const ZelItemValues& values, Kind kind)
{
    setNodeAttribute(element, X::Code, std::to_string(values.code));
    setNodeAttribute(element, X::Name, values.name.toStdString());
    if (kind == Kind::Alarm) {
        setNodeAttribute(element, X::GroupDelay, std::to_string(values.groupDelay));
        setNodeAttribute(element, X::Repeat, std::to_string(values.repeat));
    }
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
    TOKBottomDlg dialog(this);
    prepareDialog(dialog, mode, *node);
    for (;;) {
        // A refused code shows the dialog again with what the operator entered.
        dialog.FormShow();
        m_interaction.runItemDialog(dialog);
        if (!dialog.accepted() || applyDialog(dialog, *node) != Applied::Refused)
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
        values.code = node.code();
        values.name = node.name();
        if (!location && document()) {
            const auto* parent = static_cast<const ZelTreeItem*>(node.parent());
            const std::string ref = formatZelAlarmRef(parent->code(), node.code());
            values.groupDelay = GetGroupDelay(*document(), ref);
            values.repeat = GetRepeat(*document(), ref);
        }
    }
    dialog.setValues(values);
}

ZelTreePane::Applied ZelTreePane::applyDialog(const TOKBottomDlg& dialog, ZelTreeItem& node)
{
    if (!document())
        return Applied::NotFound;
    if (dialog.kind() == Kind::Alarm)
        return applyAlarm(dialog, node);
    if (dialog.mode() == Mode::Add)
        return addLocation(dialog.values());
    return editLocation(dialog.values(), node);
}

ZelTreePane::Applied ZelTreePane::addLocation(const ZelItemValues& values)
{
    XmlDocument& zelDefs = *document();
    if (FindChildNode(zelDefs.root(), X::Location, codeFilter(values.code)))
        return Applied::Refused;
    pugi::xml_node catalogue = zelDefs.rootForNameCheck();
    if (std::string_view(catalogue.name()) != kZelDefsRoot)
        return Applied::NotFound;
    writeElement(catalogue.append_child(X::Location), values, Kind::Location);
    saveZelDefs();
    auto* added = new ZelTreeItem(rootNode(), QStringList{makeNodeText(values.name, values.code)});
    m_tvZelLoc->setCurrentItem(added);
    return Applied::Done;
}

ZelTreePane::Applied ZelTreePane::editLocation(const ZelItemValues& values, ZelTreeItem& node)
{
    if (siblingHasCode(node, values.code))
        return Applied::Refused;
    const pugi::xml_node element =
        FindChildNode(document()->root(), X::Location, codeFilter(node.code()));
    if (!element)
        return Applied::NotFound;
    writeElement(element, values, Kind::Location);
    saveZelDefs();
    node.setText(0, makeNodeText(values.name, values.code));
    return Applied::Done;
}

ZelTreePane::Applied ZelTreePane::applyAlarm(const TOKBottomDlg& dialog, ZelTreeItem& node)
{
    const ZelItemValues& values = dialog.values();
    auto* locationNode =
        node.level() == ZelTreeItem::Location ? &node : static_cast<ZelTreeItem*>(node.parent());
    pugi::xml_node location =
        FindChildNode(document()->root(), X::Location, codeFilter(locationNode->code()));
    if (!location)
        return Applied::NotFound;
    if (dialog.mode() == Mode::Add) {
        if (FindChildNode(location, X::Alarm, codeFilter(values.code)))
            return Applied::Refused;
        writeElement(location.append_child(X::Alarm), values, Kind::Alarm);
        saveZelDefs();
        auto* added =
            new ZelTreeItem(locationNode, QStringList{makeNodeText(values.name, values.code)});
        m_tvZelLoc->setCurrentItem(added);
        return Applied::Done;
    }
    if (siblingHasCode(node, values.code))
        return Applied::Refused;
    const pugi::xml_node alarm = FindChildNode(location, X::Alarm, codeFilter(node.code()));
    if (!alarm)
        return Applied::NotFound;
    writeElement(alarm, values, Kind::Alarm);
    saveZelDefs();
    node.setText(0, makeNodeText(values.name, values.code));
    return Applied::Done;
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
            deleteLocation(*node);
        break;
    case ZelTreeItem::Alarm:
        if (m_interaction.ask(QMessageBox::Question, LangText(9, u"Delete this alarm?"_s)))
            deleteAlarm(*node);
        break;
    }
    tvZelLocClick();
}

void ZelTreePane::deleteLocation(ZelTreeItem& node)
{
    if (!document())
        return;
    pugi::xml_node element =
        FindChildNode(document()->root(), X::Location, codeFilter(node.code()));
    if (!element)
        return;
    element.parent().remove_child(element);
    saveZelDefs();
    delete &node;
    Q_EMIT zelItemDeleted();
}

void ZelTreePane::deleteAlarm(ZelTreeItem& node)
{
    if (!document())
        return;
    const auto* locationNode = static_cast<const ZelTreeItem*>(node.parent());
    const pugi::xml_node location =
        FindChildNode(document()->root(), X::Location, codeFilter(locationNode->code()));
    pugi::xml_node alarm =
        location ? FindChildNode(location, X::Alarm, codeFilter(node.code())) : pugi::xml_node();
    if (!alarm)
        return;
    alarm.parent().remove_child(alarm);
    saveZelDefs();
    delete &node;
    Q_EMIT zelItemDeleted();
}

// Every change reaches the disk at once; a failure is logged and shown by the owner.
void ZelTreePane::saveZelDefs()
{
    m_zelDefs->markDirty();
    (void)m_zelDefs->save();
}
