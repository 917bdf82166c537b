#pragma once

#include <QLabel>
#include <QStatusBar>

// The status bar: panel 0 shows the link status icon, panel 1 the status
// text, panel 2 stays empty.
class StatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent = nullptr);

    QString panelText() const { return m_text->text(); }
    void setPanelText(const QString& text) { m_text->setText(text); }
    // Redraws the icon for a link status (none for 0 or less).
    void showLinkState(int state);

private:
    QLabel* m_icon;
    QLabel* m_text;
    QLabel* m_spare;
};
