#pragma once

#include <QFrame>

class QLabel;
class QVBoxLayout;

// The dark blue-violet panel that holds the controls on the left of a settings page, with
// white label text. Controls stack from top to bottom in the order they are added.
class SettingsPanel : public QFrame
{
    Q_OBJECT
public:
    static const QColor Colour;

    SettingsPanel(const char* name, QWidget* parent);

    // A bold heading line.
    QLabel* addHeading(const char* name);
    // A label that wraps onto further lines when the panel is too narrow.
    QLabel* addLabel(const char* name);
    void addWidget(QWidget* widget, Qt::Alignment alignment = {});
    // A label with its field beside it, the label naming the field.
    QLabel* addLabelledRow(const char* labelName, QWidget* field);
    void addSpacing(int pixels);
    void addStretch();

    // Gives the field the standard colours of frames and buttons instead of the panel's.
    static void keepStandardColours(QWidget* field);

private:
    QVBoxLayout* m_layout;
};
