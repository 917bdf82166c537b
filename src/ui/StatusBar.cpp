#include "StatusBar.h"

#include "StatusIconPanel.h"

#include "core/Language.h"

#include <algorithm>

namespace {

constexpr int SparePanelWidth = 50;

QLabel* panel(QWidget* parent, const char* name, int width)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFixedWidth(width);
    return label;
}

} // namespace

QString unlinkedCountText(int count)
{
    if (count <= 0)
        return {};
    return LangText(113, QStringLiteral("Not linked:")) + QLatin1Char(' ') + QString::number(count);
}

StatusBar::StatusBar(QWidget* parent)
    : QStatusBar(parent), m_icon(new StatusIconPanel(this)), m_text(panel(this, "sBarPanel1", 400)),
      m_spare(panel(this, "sBarPanel2", SparePanelWidth))
{
    setObjectName(QStringLiteral("sBar"));
    setSizeGripEnabled(false);
    addWidget(m_icon);
    addWidget(m_text);
    addWidget(m_spare);
}

void StatusBar::setPanelText(const QString& text)
{
    m_text->setText(text);
    m_text->setToolTip(text);
}

void StatusBar::showLinkState(StatusIcon icon)
{
    m_icon->setShownLinkState(icon);
}

void StatusBar::showUnlinkedCount(int count)
{
    const QString text = unlinkedCountText(count);
    m_spare->setText(text);
    m_spare->setToolTip(text);
    // The panel grows to its text and keeps its own width when empty.
    m_spare->setFixedWidth(std::max(SparePanelWidth, m_spare->sizeHint().width()));
}

StatusIcon StatusBar::shownLinkState() const
{
    return m_icon->shownLinkState();
}
