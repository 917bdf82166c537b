#include "LinkConfigPage.h"

#include "DefinitionsGrid.h"
#include "FilterBar.h"

#include "core/Language.h"
#include "ui/logic/DefinitionRows.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace C = DefinitionColumn;

namespace {

const QColor TitleStripColour(43, 32, 78);
constexpr int TitleStripHeight = 24;
constexpr int IconSize = 16;

// A tool bar icon drawn from a few strokes, so that it looks the same on every platform.
QIcon strokeIcon(const QColor& colour, const std::function<void(QPainter&)>& draw)
{
    QPixmap pixmap(IconSize, IconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, 2.5, Qt::SolidLine, Qt::RoundCap));
    draw(painter);
    return QIcon(pixmap);
}

QIcon refreshIcon()
{
    return strokeIcon(QColor(30, 110, 200), [](QPainter& p) {
        p.drawArc(QRectF(3, 3, 10, 10), 60 * 16, 280 * 16);
        p.drawLine(QPointF(11, 2.5), QPointF(11.5, 6));
        p.drawLine(QPointF(11.5, 6), QPointF(8, 6.5));
    });
}

QIcon addIcon()
{
    return strokeIcon(QColor(30, 140, 60), [](QPainter& p) {
        p.drawLine(QPointF(8, 3), QPointF(8, 13));
        p.drawLine(QPointF(3, 8), QPointF(13, 8));
    });
}

QIcon deleteIcon()
{
    return strokeIcon(QColor(200, 40, 40), [](QPainter& p) {
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
    });
}

QToolButton* toolButton(QToolBar* bar, const char* name, const QIcon& icon)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setIcon(icon);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

// A button without a caption is named by its hint.
void setHint(QToolButton* button, const QString& hint)
{
    button->setToolTip(hint);
    button->setAccessibleName(hint);
}

} // namespace

LinkConfigPage::LinkConfigPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tbsLinkSettings"));
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("Splitter1"));
    m_splitter->addWidget(buildLeftPane());
    auto* treePane = new QWidget(m_splitter);
    treePane->setObjectName(QStringLiteral("pnlZelTree"));
    m_splitter->addWidget(treePane);
    m_splitter->setStretchFactor(0, 3);
    m_splitter->setStretchFactor(1, 2);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    m_gfMain.setObjectName(QStringLiteral("gfMain"));
    m_gfMain.setGrid(m_sgMain);
    connect(m_filterBar, &FilterBar::filterChanged, this, &LinkConfigPage::FilterDefinitionsGrid);
    connect(m_tbRefresh, &QToolButton::clicked, this, &LinkConfigPage::tbRefreshClick);

    applyCaptions();
    m_filterBar->setHeaders(headerTexts());
    m_sgMain->showRows({}, headerTexts());
    lineUpFilterBar();
}

QWidget* LinkConfigPage::buildLeftPane()
{
    auto* pane = new QWidget(this);
    pane->setObjectName(QStringLiteral("pnlDefinitions"));

    m_label5 = new QLabel(pane);
    m_label5->setObjectName(QStringLiteral("Label5"));
    m_label5->setFixedHeight(TitleStripHeight);
    m_label5->setIndent(4);
    m_label5->setAutoFillBackground(true);
    QPalette colours = m_label5->palette();
    colours.setColor(QPalette::Window, TitleStripColour);
    colours.setColor(QPalette::WindowText, Qt::white);
    m_label5->setPalette(colours);
    QFont bold = m_label5->font();
    bold.setBold(true);
    m_label5->setFont(bold);

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
    bar->setIconSize(QSize(IconSize, IconSize));
    bar->setMovable(false);
    bar->setFloatable(false);
    m_tbRefresh = toolButton(bar, "tbRefresh", refreshIcon());
    bar->addSeparator();
    // Adding and removing exceptions are always enabled; what they do comes with the
    // exceptions dialog.
    m_tbAddExcept = toolButton(bar, "tbAddExcept", addIcon());
    m_tbDeleteExcept = toolButton(bar, "tbDeleteExcept", deleteIcon());
    return bar;
}

void LinkConfigPage::applyCaptions()
{
    m_label5->setText(LangText(59, QStringLiteral("Priva Office Locations")));
    // The grid has no caption of its own: the title strip above it names it.
    m_sgMain->setAccessibleName(m_label5->text());
    setHint(m_tbRefresh, LangText(61, QStringLiteral("Refresh Priva Office definitions")));
    setHint(m_tbAddExcept, LangText(62, QStringLiteral("Add exception")));
    setHint(m_tbDeleteExcept, LangText(63, QStringLiteral("Remove selected exceptions")));
    m_filterBar->applyCaptions();
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
}

// A rebuild applies the filter silently: the operator was told about a filter too complex
// when he set it, and a rebuild may come from a timed refresh while nobody watches.
void LinkConfigPage::applyFilterBar(TGridFilter::Notice notice)
{
    m_gfMain.ResetFilter();
    m_filterBar->correctDots();
    const std::optional<QString> expression =
        buildFilterExpression(m_filterBar->state(), m_sgMain->headerTexts());
    if (expression && !expression->isEmpty())
        m_gfMain.SetFilter(*expression, notice);
}

void LinkConfigPage::tbRefreshClick()
{
    Q_EMIT refreshRequested();
}
