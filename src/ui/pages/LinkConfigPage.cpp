#include "LinkConfigPage.h"

#include "DefinitionsGrid.h"
#include "FilterBar.h"
#include "PageParts.h"
#include "ZelTreePane.h"

#include "core/Language.h"
#include "core/Log.h"
#include "store/DocumentOwner.h"
#include "store/LinkDefs.h"
#include "store/ZelLinkUpkeep.h"
#include "ui/logic/DefinitionRows.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace C = DefinitionColumn;

LinkConfigPage::LinkConfigPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tbsLinkSettings"));
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("Splitter1"));
    m_splitter->addWidget(buildLeftPane());
    m_zelTree = new ZelTreePane(m_splitter);
    m_splitter->addWidget(m_zelTree);
    m_splitter->setStretchFactor(0, 3);
    m_splitter->setStretchFactor(1, 2);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    m_gfMain.setObjectName(QStringLiteral("gfMain"));
    m_gfMain.setGrid(m_sgMain);
    connect(m_filterBar, &FilterBar::filterChanged, this, &LinkConfigPage::FilterDefinitionsGrid);
    connect(m_tbRefresh, &QToolButton::clicked, this, &LinkConfigPage::tbRefreshClick);
    connect(m_sgMain, &DefinitionsGrid::columnsLaidOut, this, &LinkConfigPage::lineUpFilterBar);
    connect(m_zelTree, &ZelTreePane::zelItemDeleted, this, &LinkConfigPage::RemoveDanglingLinks);
    connect(m_zelTree, &ZelTreePane::zelItemRenumbered, this,
            &LinkConfigPage::followRenumberedZelItem);
    connectAssignActions();
    setUpDefaultInteraction();
    connect(m_zelTree, &ZelTreePane::clickRefreshed, this, &LinkConfigPage::updateAssignButtons);
    connect(m_sgMain->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LinkConfigPage::updateAssignButtons);

    applyCaptions();
    m_filterBar->setHeaders(headerTexts());
    m_sgMain->showRows({}, headerTexts());
    lineUpFilterBar();
    updateAssignButtons();
}

QWidget* LinkConfigPage::buildLeftPane()
{
    auto* pane = new QWidget(this);
    pane->setObjectName(QStringLiteral("pnlDefinitions"));

    m_label5 = makeTitleStrip(pane, "Label5");

    m_sgMain = new DefinitionsGrid(pane);
    m_filterBar = new FilterBar(pane);

    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_label5);
    layout->addWidget(buildToolBar());
    layout->addWidget(m_sgMain, 1);
    layout->addWidget(m_filterBar);
    return pane;
}

QWidget* LinkConfigPage::buildToolBar()
{
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar2"));
    bar->setIconSize(QSize(ToolIconSize, ToolIconSize));
    bar->setMovable(false);
    bar->setFloatable(false);
    m_tbRefresh = addToolButton(bar, "tbRefresh", refreshIcon());
    bar->addSeparator();
    // Adding and removing exceptions are always enabled.
    m_tbAddExcept = addToolButton(bar, "tbAddExcept", addIcon());
    m_tbDeleteExcept = addToolButton(bar, "tbDeleteExcept", deleteIcon());
    return bar;
}

void LinkConfigPage::applyCaptions()
{
    m_label5->setText(LangText(59, QStringLiteral("Priva Office Locations")));
    // The grid has no caption of its own: the title strip above it names it.
    m_sgMain->setAccessibleName(m_label5->text());
    setToolHint(m_tbRefresh, LangText(61, QStringLiteral("Refresh Priva Office definitions")));
    setToolHint(m_tbAddExcept, LangText(62, QStringLiteral("Add exception")));
    setToolHint(m_tbDeleteExcept, LangText(63, QStringLiteral("Remove selected exceptions")));
    m_filterBar->applyCaptions();
    m_zelTree->applyCaptions();
}

QStringList LinkConfigPage::headerTexts() const
{
    QStringList headers(C::Count);
    headers[C::Pcu] = LangText(13, QStringLiteral("PCU"));
    headers[C::Location] = LangText(14, QStringLiteral("Location"));
    headers[C::Alarm] = LangText(15, QStringLiteral("Alarm"));
    headers[C::ZelAlarm] = LangText(16, QStringLiteral("ZEL Alarm"));
    headers[C::Group] = LangText(94, QStringLiteral("Group"));
    return headers;
}

void LinkConfigPage::FillDefinitionsGrid(const XmlDocument& linkDefs)
{
    applyCaptions();
    const QStringList headers = headerTexts();
    m_filterBar->setHeaders(headers);
    const std::vector<DefinitionRow> rows =
        buildDefinitionRows(linkDefs, LangText(17, QStringLiteral("General Exception")));
    // Painted once, when rows, widths and filter are all in place.
    m_sgMain->setUpdatesEnabled(false);
    m_sgMain->showRows(rows, headers);
    lineUpFilterBar();
    applyFilterBar(TGridFilter::Notice::Silent);
    m_sgMain->setUpdatesEnabled(true);
    updateAssignButtons();
}

// Each box sits under its column; the grid's fixed column and frame come first.
void LinkConfigPage::lineUpFilterBar()
{
    std::array<int, FilterBoxCount> widths{};
    for (int box = 0; box < FilterBoxCount; ++box)
        widths[box] = m_sgMain->columnWidth(box + 1);
    m_filterBar->lineUp(m_sgMain->frameWidth() + m_sgMain->columnWidth(C::Fixed), widths);
}

void LinkConfigPage::FilterDefinitionsGrid()
{
    const bool painting = m_sgMain->updatesEnabled();
    m_sgMain->setUpdatesEnabled(false);
    applyFilterBar(TGridFilter::Notice::Shown);
    m_sgMain->setUpdatesEnabled(painting);
    updateAssignButtons();
}

void LinkConfigPage::updateAssignButtons()
{
    const bool rows = !m_sgMain->visibleSelectedRows().isEmpty();
    const bool assigning = rows && m_zelTree->alarmClicked();
    m_zelTree->tbConnect().setEnabled(assigning);
    m_zelTree->tbGroup().setEnabled(assigning);
    m_zelTree->tbDeleteGroup().setEnabled(rows);
}

// A rebuild applies the filter silently: the operator was told about a filter too complex
// when he set it, and a rebuild may come from a timed refresh while nobody watches.
void LinkConfigPage::applyFilterBar(TGridFilter::Notice notice)
{
    m_gfMain.ResetFilter();
    m_filterBar->correctDots();
    std::optional<TGridRowFilter> conditions = filterBarConditions(m_filterBar->state());
    if (conditions && !conditions->conditions.empty())
        m_gfMain.SetFilter(std::move(*conditions), notice);
}

void LinkConfigPage::tbRefreshClick()
{
    Q_EMIT refreshRequested();
}

void LinkConfigPage::setDocuments(DocumentOwner* zelDefs, DocumentOwner* linkDefs)
{
    m_zelDefs = zelDefs;
    m_linkDefs = linkDefs;
    m_zelTree->setZelDefs(zelDefs);
}

// Links are checked against the catalogue only when it is the one read from its file: an empty
// or foreign catalogue after a failed read would find every link dangling.
bool LinkConfigPage::catalogueMatchesLinks() const
{
    if (m_zelDefs && m_zelDefs->document() && m_zelDefs->holdsFileContent())
        return true;
    LogMessage(QStringLiteral("The links are left as they are: ZelDefs.xml was not read from its "
                              "file, so they were not made with the catalogue in memory"),
               LogPoList);
    return false;
}

void LinkConfigPage::rebuildKeepingSelection()
{
    const QList<int> selected = m_sgMain->visibleSelectedRows();
    rebuildWithCurrentRow(selected.isEmpty() ? -1 : selected.first());
}

// The assignments of what was deleted are emptied in the document, hidden rows included;
// others that name nothing only when the operator agrees. The grid is rebuilt from the result.
void LinkConfigPage::RemoveDanglingLinks(const ZelItemKey& deleted)
{
    if (!linkDocument() || !catalogueMatchesLinks())
        return;
    const XmlDocument& zelDefs = *m_zelDefs->document();
    const DanglingLinkCount count = countDanglingLinks(*linkDocument(), zelDefs, deleted);
    const bool all =
        count.others > 0 &&
        m_interaction.confirm(LangText(114, QStringLiteral("%1 other links name a ZEL alarm that "
                                                           "does not exist. Clear them as well?"))
                                  .arg(count.others));
    m_linkDefs->edit([&](XmlDocument& linkDefs) {
        return all ? clearDanglingLinks(linkDefs, zelDefs)
                   : clearLinksOf(linkDefs, zelDefs, deleted);
    });
    rebuildKeepingSelection();
    saveLinkDefs();
}

void LinkConfigPage::followRenumberedZelItem(const ZelItemKey& from, const ZelItemKey& to)
{
    if (!linkDocument() || !catalogueMatchesLinks())
        return;
    const bool changed = m_linkDefs->edit(
        [&](XmlDocument& linkDefs) { return renumberZelLinks(linkDefs, from, to); });
    if (!changed)
        return;
    rebuildKeepingSelection();
    saveLinkDefs();
}
