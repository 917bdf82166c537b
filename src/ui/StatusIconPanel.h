#pragma once

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
    // settings. State n shows image n - 1.
    static const std::array<QImage, 3>& imglstStatus();

    explicit StatusIconPanel(QWidget* parent = nullptr);

    int shownLinkState() const { return m_shownLinkState; }
    void setShownLinkState(int state);

protected:
    // sBarDrawPanel
    void paintEvent(QPaintEvent* event) override;

private:
    int m_shownLinkState = 0;
};
