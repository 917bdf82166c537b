#include "ZelTreePane.h"

#include "PageParts.h"
#include "ZelTreeFill.h"
#include "ZelTreeItem.h"

#include "core/Language.h"
#include "store/DocumentOwner.h"
#include "store/ZelCatalogue.h"
#include "ui/QuestionBox.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int TreeIndent = 19;
// Of work between two passes of the event loop while an import fills the tree.
constexpr int FillSliceMs = 20;
constexpr int PropertyListHeight = 117;
constexpr int KeyColumnWidth = 108;
constexpr int ValueColumnWidth = 105;

QString chooseWithDialog(QWidget* parent, const FileChoice& choice)
{
    QFileDialog dialog(parent, choice.title, choice.directory);
    dialog.setNameFilters(choice.filters);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (choice.kind == FileChoice::Save) {
        // Asks before it overwrites and needs an existing folder.
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.selectFile(choice.proposedName);
    } else {
        // A name typed that does not exist is told by the import itself.
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace

ZelTreePane::ZelTreePane(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"pnlZelTree"_s);
    m_label7 = makeTitleStrip(this, "Label7");

    m_tvZelLoc = new QTreeWidget(this);
    m_tvZelLoc->setObjectName(u"tvZelLoc"_s);
    m_tvZelLoc->setHeaderHidden(true);
    m_tvZelLoc->setColumnCount(1);
    m_tvZelLoc->setIndentation(TreeIndent);
    m_tvZelLoc->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tvZelLoc->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tvZelLoc->setIconSize(QSize());
    buildPropertyList();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_label7);
    layout->addWidget(buildToolBar());
    layout->addWidget(m_tvZelLoc, 1);
    layout->addWidget(m_vleTree);

    connect(m_tvZelLoc, &QTreeWidget::itemClicked, this, &ZelTreePane::tvZelLocClick);
    // Moving through the tree with the keys refreshes as a click does; a node selected by the
    // program while the tree has no focus does not.
    connect(m_tvZelLoc, &QTreeWidget::currentItemChanged, this, [this] {
        if (m_tvZelLoc->hasFocus())
            tvZelLocClick();
    });
    connect(m_tvZelLoc, &QTreeWidget::itemExpanded, this, &ZelTreePane::makeAlarms);
    connect(m_tbAdd, &QToolButton::clicked, this, &ZelTreePane::tbAddClick);
    connect(m_tbDelete, &QToolButton::clicked, this, &ZelTreePane::tbDeleteClick);
    connect(m_tbEdit, &QToolButton::clicked, this, &ZelTreePane::tbEditClick);
    connect(m_tbImport, &QToolButton::clicked, this, &ZelTreePane::tbImportClick);
    connect(m_tbExport, &QToolButton::clicked, this, &ZelTreePane::tbExportClick);

    setUpDefaultInteraction();
    applyCaptions();
    tvZelLocClick();
}

QWidget* ZelTreePane::buildToolBar()
{
    auto* bar = new QToolBar(this);
    bar->setObjectName(u"ToolBar1"_s);
    bar->setIconSize(QSize(ToolIconSize, ToolIconSize));
    bar->setMovable(false);
    bar->setFloatable(false);
    m_tbConnect = addToolButton(bar, "tbConnect", connectIcon());
    m_tbGroup = addToolButton(bar, "tbGroup", groupIcon());
    m_tbDeleteGroup = addToolButton(bar, "tbDeleteGroup", deleteGroupIcon());
    bar->addSeparator();
    m_tbAdd = addToolButton(bar, "tbAdd", addIcon());
    m_tbDelete = addToolButton(bar, "tbDelete", deleteIcon());
    m_tbEdit = addToolButton(bar, "tbEdit", editIcon());
    bar->addSeparator();
    m_tbImport = addToolButton(bar, "tbImport", importIcon());
    m_tbExport = addToolButton(bar, "tbExport", exportIcon());
    return bar;
}

void ZelTreePane::buildPropertyList()
{
    m_vleTree = new QTableWidget(0, 2, this);
    m_vleTree->setObjectName(u"vleTree"_s);
    m_vleTree->setFixedHeight(PropertyListHeight);
    m_vleTree->horizontalHeader()->hide();
    m_vleTree->verticalHeader()->hide();
    m_vleTree->setColumnWidth(0, KeyColumnWidth);
    m_vleTree->setColumnWidth(1, ValueColumnWidth);
    m_vleTree->horizontalHeader()->setStretchLastSection(true);
    m_vleTree->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_vleTree->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_vleTree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_vleTree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_vleTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_vleTree->verticalHeader()->setDefaultSectionSize(m_vleTree->fontMetrics().height() + 4);
}

void ZelTreePane::setUpDefaultInteraction()
{
    m_interaction.runItemDialog = [](TOKBottomDlg& dialog) { dialog.exec(); };
    m_interaction.ask = [this](QMessageBox::Icon icon, const QString& text) {
        const QString caption =
            icon == QMessageBox::Warning ? LangText(3, u"Warning"_s) : window()->windowTitle();
        return askYesNo(this, icon, caption, text);
    };
    m_interaction.showMessage = [this](const QString& text) {
        QMessageBox::information(this, window()->windowTitle(), text);
    };
    m_interaction.chooseFile = [this](const FileChoice& choice) {
        return chooseWithDialog(this, choice);
    };
}

void ZelTreePane::applyCaptions()
{
    m_label7->setText(LangText(60, u"Zel Locations and Alarms"_s));
    // The tree and its property list have no caption of their own: the title strip names them.
    m_tvZelLoc->setAccessibleName(m_label7->text());
    m_vleTree->setAccessibleName(m_label7->text());
    setToolHint(m_tbConnect, LangText(64, u"Assign alarm to selected items"_s));
    setToolHint(m_tbGroup, LangText(96, u"Assign group alarm to selected items"_s));
    setToolHint(m_tbDeleteGroup, LangText(102, u"Delete group alarm from selected items"_s));
    setToolHint(m_tbAdd, LangText(65, u"Add alarm or location"_s));
    setToolHint(m_tbDelete, LangText(66, u"Delete selected alarm or location"_s));
    setToolHint(m_tbEdit, LangText(67, u"Edit selected alarm or location"_s));
    setToolHint(m_tbImport, LangText(68, u"Import locations and alarms from ZEL-Pro"_s));
    setToolHint(m_tbExport, LangText(69, u"Export locations and alarms to ZEL-Pro"_s));
    fillProperties(selectedNode());
}

const XmlDocument* ZelTreePane::document() const
{
    return m_zelDefs ? m_zelDefs->document() : nullptr;
}

ZelTreeItem* ZelTreePane::rootNode() const
{
    return static_cast<ZelTreeItem*>(m_tvZelLoc->topLevelItem(0));
}

ZelTreeItem* ZelTreePane::selectedNode() const
{
    return static_cast<ZelTreeItem*>(m_tvZelLoc->selectedItems().value(0));
}

void ZelTreePane::FillZelTree()
{
    // A fill by slices still running is overtaken; its import ends here.
    const bool importFilling = bool(m_fill);
    m_fill.reset();
    std::vector<ZelLocationEntry> entries;
    if (const XmlDocument* zelDefs = document())
        entries = readZelCatalogue(*zelDefs, ZelCatalogueDepth::LocationsOnly);
    {
        const QSignalBlocker quiet(m_tvZelLoc);
        ZelTreeFill(*m_tvZelLoc, ZelTreeFill::prepare(std::move(entries))).fillFor(-1);
    }
    if (importFilling)
        endImport();
}

void ZelTreePane::fillInSlices(ZelTreeFill::Locations locations)
{
    {
        const QSignalBlocker quiet(m_tvZelLoc);
        m_fill = std::make_unique<ZelTreeFill>(*m_tvZelLoc, std::move(locations));
    }
    continueFill();
}

void ZelTreePane::continueFill()
{
    if (!m_fill)
        return;
    bool complete = false;
    {
        const QSignalBlocker quiet(m_tvZelLoc);
        complete = m_fill->fillFor(FillSliceMs);
    }
    if (!complete) {
        QTimer::singleShot(0, this, &ZelTreePane::continueFill);
        return;
    }
    m_fill.reset();
    endImport();
}

void ZelTreePane::makeAlarms(QTreeWidgetItem* node)
{
    auto* location = static_cast<ZelTreeItem*>(node);
    if (!location || !location->alarmsPending())
        return;
    location->setAlarmsPending(false);
    if (const XmlDocument* zelDefs = document())
        location->addChildren(ZelTreeFill::alarmNodes(readZelAlarms(*zelDefs, location->key())));
}

void ZelTreePane::sortTree()
{
    m_tvZelLoc->sortItems(0, Qt::AscendingOrder);
}

// The property list and the assign buttons follow the selection, so that an assignment never
// writes another alarm than the one the list shows.
void ZelTreePane::selectNode(QTreeWidgetItem* node)
{
    {
        const QSignalBlocker quiet(m_tvZelLoc);
        m_tvZelLoc->setCurrentItem(node);
    }
    m_tvZelLoc->scrollToItem(node);
    tvZelLocClick();
}

void ZelTreePane::tvZelLocClick()
{
    m_vleTree->clearSelection();
    const ZelTreeItem* node = m_tvZelLoc->topLevelItemCount() > 0 ? selectedNode() : nullptr;
    // An alarm that no reference can name (a code that is no whole number) is not assigned.
    m_alarmClicked = node && node->level() == ZelTreeItem::Alarm && node->key().hasValidCodes();
    fillProperties(node);
    Q_EMIT clickRefreshed();
}

void ZelTreePane::fillProperties(const ZelTreeItem* node)
{
    m_vleTree->setRowCount(0);
    if (!node || node->level() == ZelTreeItem::Root)
        return;
    const bool alarm = node->level() == ZelTreeItem::Alarm;
    addProperty(LangText(97, u"Type"_s),
                alarm ? LangText(11, u"Alarm"_s) : LangText(10, u"Location"_s));
    addProperty(LangText(98, u"Number"_s), node->codeText());
    addProperty(LangText(99, u"Description"_s), node->name());
    if (!alarm)
        return;
    const std::optional<ZelItemData> stored =
        document() ? readZelItem(*document(), node->key()) : std::nullopt;
    const int delay = stored ? stored->groupDelay : 0;
    const int repeat = stored ? stored->repeat : 0;
    addProperty(LangText(100, u"Group delay"_s),
                QString::number(delay) + u' ' + LangText(101, u"seconds"_s));
    addProperty(LangText(107, u"Repeat interval"_s),
                QString::number(repeat) + u' ' + LangText(108, u"minutes"_s));
}

void ZelTreePane::addProperty(const QString& key, const QString& value)
{
    const int row = m_vleTree->rowCount();
    m_vleTree->insertRow(row);
    m_vleTree->setItem(row, 0, new QTableWidgetItem(key));
    m_vleTree->setItem(row, 1, new QTableWidgetItem(value));
}
