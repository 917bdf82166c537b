#include "TrayIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace {

QIcon trayPicture()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(QColor(43, 32, 78));
    QPainter painter(&pixmap);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(14);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("PO"));
    return QIcon(pixmap);
}

} // namespace

TrayIcon::TrayIcon(QWidget* window) : QSystemTrayIcon(window), m_window(window)
{
    setObjectName(QStringLiteral("TrayX1"));
    setIcon(trayPicture());
    connect(this, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
                    TrayX1DblClick();
            });
}

void TrayIcon::hideWindow()
{
    if (available())
        m_window->hide();
    else
        m_window->showMinimized();
}

void TrayIcon::TrayX1DblClick()
{
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
}
