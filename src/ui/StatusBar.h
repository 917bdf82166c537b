#pragma once

#include "forwarding/StatusIcon.h"

#include <QLabel>
#include <QStatusBar>

class StatusIconPanel;

// "Not linked: 3", or empty when count is 0.
QString unlinkedCountText(int count);

// The status bar sBar: panel 0 shows the link status icon, panel 1 the status text, panel 2
// stays empty.
class StatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent = nullptr);

    QString panelText() const { return m_text->text(); }
    // A text longer than the panel can still be read in its tool tip.
    void setPanelText(const QString& text);
    // Redraws panel 0 with the icon's image.
    void showLinkState(StatusIcon icon);
    StatusIcon shownLinkState() const;
    // Panel 2: how many office locations and alarms have no ZEL alarm; empty when none.
    void showUnlinkedCount(int count);
    QString unlinkedText() const { return m_spare->text(); }

private:
    StatusIconPanel* m_icon;
    QLabel* m_text;
    QLabel* m_spare;
};
