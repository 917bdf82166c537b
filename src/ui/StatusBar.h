#pragma once

#include "forwarding/StatusIcon.h"

#include <QLabel>
#include <QStatusBar>

class StatusIconPanel;

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

private:
    StatusIconPanel* m_icon;
    QLabel* m_text;
    QLabel* m_spare;
};
