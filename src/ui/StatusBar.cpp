#include "StatusBar.h"

#include "StatusIconPanel.h"

namespace {

QLabel* panel(QWidget* parent, const char* name, int width)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFixedWidth(width);
    return label;
}

} // namespace

StatusBar::StatusBar(QWidget* parent)
    : QStatusBar(parent), m_icon(new StatusIconPanel(this)), m_text(panel(this, "sBarPanel1", 400)),
      m_spare(panel(this, "sBarPanel2", 50))
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

StatusIcon StatusBar::shownLinkState() const
{
    return m_icon->shownLinkState();
}
