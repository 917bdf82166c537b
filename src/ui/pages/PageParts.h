#pragma once

#include <QIcon>
#include <QString>

class QLabel;
class QToolBar;
class QToolButton;
class QWidget;

// The pieces the panes of the link configuration page share: the title strip above a grid or
// tree, tool buttons with their hints, and tool icons drawn from a few strokes so that they
// look the same on every platform.

inline constexpr int TitleStripHeight = 24;
inline constexpr int ToolIconSize = 16;

// White bold text on the dark title colour, 24 pixels high.
QLabel* makeTitleStrip(QWidget* parent, const char* name);

QToolButton* addToolButton(QToolBar* bar, const char* name, const QIcon& icon);

// A button without a caption is named by its hint, for the tool tip and a screen reader.
void setToolHint(QToolButton* button, const QString& hint);

QIcon refreshIcon();
QIcon addIcon();
QIcon deleteIcon();
QIcon editIcon();
QIcon connectIcon();
QIcon groupIcon();
QIcon deleteGroupIcon();
QIcon importIcon();
QIcon exportIcon();
