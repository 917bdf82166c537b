#include "TrayIcon.h"

#include "StatusBar.h"

#include "StatusIconPanel.h"

#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace {

QPixmap programPicture()
{
    QPixmap pixmap(TrayIcon::PictureSize, TrayIcon::PictureSize);
    pixmap.fill(QColor(43, 32, 78));
    QPainter painter(&pixmap);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(14);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("PO"));
    return pixmap;
}

// The status image in the lower right corner keeps the icon recognisable as ours.
QIcon pictureForState(StatusIcon icon)
{
    QPixmap pixmap = programPicture();
    if (const QImage* image = StatusIconPanel::imageFor(icon)) {
        QPainter painter(&pixmap);
        const int corner = TrayIcon::PictureSize - StatusIconPanel::ImageSize;
        painter.drawImage(QPoint(corner, corner), *image);
    }
    return QIcon(pixmap);
}

} // namespace

TrayIcon::TrayIcon(QWidget* window)
    : QSystemTrayIcon(window), m_window(window), m_menu(new QMenu(window))
{
    setObjectName(QStringLiteral("TrayX1"));
    setIcon(pictureForState(StatusIcon::None));
    m_menu->setObjectName(QStringLiteral("TrayX1Menu"));
    m_open = m_menu->addAction(QString(), this, &TrayIcon::TrayX1DblClick);
    m_open->setObjectName(QStringLiteral("actTrayOpen"));
    m_exit = m_menu->addAction(QString(), this, &TrayIcon::exitRequested);
    m_exit->setObjectName(QStringLiteral("actTrayExit"));
    applyCaptions(false);
    setContextMenu(m_menu);
    connect(this, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
                    TrayX1DblClick();
            });
}

// The menu is the window's child, so the window deletes it.
TrayIcon::~TrayIcon() = default;

QIcon TrayIcon::programIcon()
{
    return QIcon(programPicture());
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

void TrayIcon::showLinkState(StatusIcon icon)
{
    if (icon == m_shownLinkState)
        return;
    m_shownLinkState = icon;
    setIcon(pictureForState(icon));
}

void TrayIcon::setTitle(const QString& title)
{
    m_title = title;
    updateToolTip();
}

void TrayIcon::setStatusText(const QString& text)
{
    m_statusText = text;
    updateToolTip();
}

void TrayIcon::applyCaptions(bool dutch)
{
    m_open->setText(dutch ? QStringLiteral("Openen") : QStringLiteral("Open"));
    m_exit->setText(dutch ? QStringLiteral("Afsluiten") : QStringLiteral("Exit"));
}

void TrayIcon::showUnlinkedCount(int count)
{
    m_unlinkedText = unlinkedCountText(count);
    updateToolTip();
}

void TrayIcon::updateToolTip()
{
    QString tip = m_title;
    for (const QString& line : {m_statusText, m_unlinkedText}) {
        if (!line.isEmpty())
            tip += QLatin1Char('\n') + line;
    }
    setToolTip(tip);
}
