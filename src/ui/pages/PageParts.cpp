#include "PageParts.h"

#include <QLabel>
#include <QPainter>
#include <QToolBar>
#include <QToolButton>

#include <functional>

namespace {

const QColor TitleStripColour(43, 32, 78);
const QColor Blue(30, 110, 200);
const QColor Green(30, 140, 60);
const QColor Red(200, 40, 40);
const QColor Purple(110, 60, 160);

QIcon strokeIcon(const QColor& colour, const std::function<void(QPainter&)>& draw)
{
    QPixmap pixmap(ToolIconSize, ToolIconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    draw(painter);
    return QIcon(pixmap);
}

// An arrow from a tray: pointing into it (import) or out of it (export).
void drawTrayArrow(QPainter& p, bool into)
{
    p.drawPolyline(QPolygonF({{2.5, 9}, {2.5, 13.5}, {13.5, 13.5}, {13.5, 9}}));
    const qreal tip = into ? 10 : 2.5;
    const qreal tail = into ? 2.5 : 10;
    p.drawLine(QPointF(8, tail), QPointF(8, tip));
    const qreal back = into ? tip - 3 : tip + 3;
    p.drawLine(QPointF(5, back), QPointF(8, tip));
    p.drawLine(QPointF(11, back), QPointF(8, tip));
}

} // namespace

QLabel* makeTitleStrip(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFixedHeight(TitleStripHeight);
    label->setIndent(4);
    label->setAutoFillBackground(true);
    QPalette colours = label->palette();
    colours.setColor(QPalette::Window, TitleStripColour);
    colours.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(colours);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QToolButton* addToolButton(QToolBar* bar, const char* name, const QIcon& icon)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setIcon(icon);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

void setToolHint(QToolButton* button, const QString& hint)
{
    button->setToolTip(hint);
    button->setAccessibleName(hint);
}

QIcon refreshIcon()
{
    return strokeIcon(Blue, [](QPainter& p) {
        p.drawArc(QRectF(3, 3, 10, 10), 60 * 16, 280 * 16);
        p.drawLine(QPointF(11, 2.5), QPointF(11.5, 6));
        p.drawLine(QPointF(11.5, 6), QPointF(8, 6.5));
    });
}

QIcon addIcon()
{
    return strokeIcon(Green, [](QPainter& p) {
        p.drawLine(QPointF(8, 3), QPointF(8, 13));
        p.drawLine(QPointF(3, 8), QPointF(13, 8));
    });
}

QIcon deleteIcon()
{
    return strokeIcon(Red, [](QPainter& p) {
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
    });
}

// A pencil.
QIcon editIcon()
{
    return strokeIcon(Blue, [](QPainter& p) {
        p.drawLine(QPointF(4, 12), QPointF(12, 4));
        p.drawLine(QPointF(2.5, 13.5), QPointF(4, 12));
        p.drawLine(QPointF(10, 3), QPointF(13, 6));
    });
}

// An arrow to the left: the tree's alarm goes to the grid's rows.
QIcon connectIcon()
{
    return strokeIcon(Green, [](QPainter& p) {
        p.drawLine(QPointF(13, 8), QPointF(3, 8));
        p.drawLine(QPointF(7, 4), QPointF(3, 8));
        p.drawLine(QPointF(7, 12), QPointF(3, 8));
    });
}

QIcon groupIcon()
{
    return strokeIcon(Purple, [](QPainter& p) {
        p.drawEllipse(QRectF(2.5, 2.5, 5, 5));
        p.drawEllipse(QRectF(8.5, 2.5, 5, 5));
        p.drawEllipse(QRectF(5.5, 8.5, 5, 5));
    });
}

QIcon deleteGroupIcon()
{
    return strokeIcon(Red, [](QPainter& p) {
        p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
        p.drawLine(QPointF(4.5, 11.5), QPointF(11.5, 4.5));
    });
}

QIcon importIcon()
{
    return strokeIcon(Blue, [](QPainter& p) { drawTrayArrow(p, true); });
}

QIcon exportIcon()
{
    return strokeIcon(Blue, [](QPainter& p) { drawTrayArrow(p, false); });
}
