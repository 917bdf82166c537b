#pragma once

#include "forwarding/StatusIcon.h"

#include <QImage>
#include <QWidget>

#include <array>

// Panel 0 of the status bar: the icon of the link state the window shows (ShownLinkState),
// drawn by the program on the button-face colour.
class StatusIconPanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr int ImageSize = 16;

    // Image 0: an office server error; 1: a ZelMeld error; 2: a problem of the files or
    // settings.
    static const std::array<QImage, 3>& imglstStatus();
    // The image an icon shows; nullptr for none.
    static const QImage* imageFor(StatusIcon icon);

    explicit StatusIconPanel(QWidget* parent = nullptr);

    StatusIcon shownLinkState() const { return m_shownLinkState; }
    void setShownLinkState(StatusIcon icon);

protected:
    // sBarDrawPanel
    void paintEvent(QPaintEvent* event) override;

private:
    StatusIcon m_shownLinkState = StatusIcon::None;
};
