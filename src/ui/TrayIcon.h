#pragma once

#include "forwarding/StatusIcon.h"

#include <QSystemTrayIcon>

class QAction;
class QMenu;
class QWidget;

// The notification-area icon. Where the desktop has none, hiding the window
// would leave the operator no way back, so the window is minimised instead.
// The program normally runs hidden, so the icon also carries the status bar's
// state: its picture shows the warning, its tool-tip the status text.
class TrayIcon : public QSystemTrayIcon
{
    Q_OBJECT
public:
    static constexpr int PictureSize = 32;

    explicit TrayIcon(QWidget* window);
    ~TrayIcon() override;

    static bool available() { return QSystemTrayIcon::isSystemTrayAvailable(); }
    // The program's own picture, also the window's icon.
    static QIcon programIcon();

    // Hides the window (and so its task-bar entry), or minimises it without a tray.
    void hideWindow();
    // Restores and raises the window (double click on the icon).
    void TrayX1DblClick();

    // The icon the status bar shows, in the picture's lower right corner; none: the
    // program's picture alone.
    void showLinkState(StatusIcon icon);
    StatusIcon shownLinkState() const { return m_shownLinkState; }
    // The tool-tip reads "<title>\n<status text>".
    void setTitle(const QString& title);
    void setStatusText(const QString& text);
    // A line with the number of office locations and alarms without a ZEL alarm; none for 0.
    void showUnlinkedCount(int count);
    // The menu's captions; Dutch when the program runs in Dutch.
    void applyCaptions(bool dutch);

Q_SIGNALS:
    // "Exit" in the menu: the window asks the operator as when it is closed.
    void exitRequested();

private:
    void updateToolTip();

    QWidget* m_window;
    QMenu* m_menu;
    QAction* m_open;
    QAction* m_exit;
    StatusIcon m_shownLinkState = StatusIcon::None;
    QString m_title;
    QString m_statusText;
    QString m_unlinkedText;
};
