#include "StatusIconPanel.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QImage emptyImage()
{
    QImage image(StatusIconPanel::ImageSize, StatusIconPanel::ImageSize,
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void drawExclamation(QPainter& painter, qreal top, qreal bottom)
{
    painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(8, top), QPointF(8, bottom));
    painter.drawPoint(QPointF(8, 13));
}

// The office server did not answer: an amber warning triangle.
QImage officeErrorImage()
{
    QImage image = emptyImage();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath triangle;
    triangle.moveTo(8, 0.5);
    triangle.lineTo(15.5, 15.5);
    triangle.lineTo(0.5, 15.5);
    triangle.closeSubpath();
    painter.fillPath(triangle, QColor(215, 140, 0));
    drawExclamation(painter, 6, 10);
    return image;
}

// The link to ZelMeld is down: a red disc with a cross.
QImage zelMeldErrorImage()
{
    QImage image = emptyImage();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 0, 0));
    painter.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(5, 5), QPointF(11, 11));
    painter.drawLine(QPointF(11, 5), QPointF(5, 11));
    return image;
}

// A file or setting needs the operator: a violet square with an exclamation mark.
QImage problemImage()
{
    QImage image = emptyImage();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(120, 40, 170));
    painter.drawRoundedRect(QRectF(1, 1, 14, 14), 3, 3);
    drawExclamation(painter, 3.5, 9);
    return image;
}

} // namespace

const std::array<QImage, 3>& StatusIconPanel::imglstStatus()
{
    static const std::array<QImage, 3> images{officeErrorImage(), zelMeldErrorImage(),
                                              problemImage()};
    return images;
}

StatusIconPanel::StatusIconPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("sBarPanel0"));
    setFixedWidth(20);
    setMinimumHeight(ImageSize);
}

const QImage* StatusIconPanel::imageFor(StatusIcon icon)
{
    switch (icon) {
    case StatusIcon::OfficeError:
        return &imglstStatus()[0];
    case StatusIcon::ZelMeldError:
        return &imglstStatus()[1];
    case StatusIcon::Problem:
        return &imglstStatus()[2];
    case StatusIcon::None:
        break;
    }
    return nullptr;
}

void StatusIconPanel::setShownLinkState(StatusIcon icon)
{
    m_shownLinkState = icon;
    update();
}

void StatusIconPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    if (const QImage* image = imageFor(m_shownLinkState))
        painter.drawImage(rect().topLeft(), *image);
}
