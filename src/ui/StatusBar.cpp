#include "StatusBar.h"

#include <QPainter>
#include <QPixmap>

namespace {

// Image 0: office server error (amber), image 1: ZelMeld error (red), image 2: a problem of
// the files or settings (violet).
QColor imageColour(int index)
{
    switch (index) {
    case 0:
        return {230, 160, 0};
    case 1:
        return {200, 0, 0};
    default:
        return {120, 40, 170};
    }
}

QPixmap statusImage(int index)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(imageColour(index));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(1, 1, 14, 14);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(8, 4, 8, 9);
    painter.drawPoint(8, 12);
    return pixmap;
}

QLabel* panel(QWidget* parent, const char* name, int width)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFixedWidth(width);
    return label;
}

} // namespace

StatusBar::StatusBar(QWidget* parent)
    : QStatusBar(parent), m_icon(panel(this, "sBarPanel0", 20)),
      m_text(panel(this, "sBarPanel1", 400)), m_spare(panel(this, "sBarPanel2", 50))
{
    setObjectName(QStringLiteral("sBar"));
    setSizeGripEnabled(false);
    addWidget(m_icon);
    addWidget(m_text);
    addWidget(m_spare);
}

void StatusBar::showLinkState(int state)
{
    if (state > 0)
        m_icon->setPixmap(statusImage(state - 1));
    else
        m_icon->clear();
}
