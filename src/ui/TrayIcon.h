#pragma once

#include <QSystemTrayIcon>

class QWidget;

// The notification-area icon. Where the desktop has none, hiding the window
// would leave the operator no way back, so the window is minimised instead.
class TrayIcon : public QSystemTrayIcon
{
    Q_OBJECT
public:
    explicit TrayIcon(QWidget* window);

    static bool available() { return QSystemTrayIcon::isSystemTrayAvailable(); }

    // Hides the window (and so its task-bar entry), or minimises it without a tray.
    void hideWindow();
    // Restores and raises the window (double click on the icon).
    void TrayX1DblClick();

private:
    QWidget* m_window;
};
