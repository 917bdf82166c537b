#include "SettingsPanel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

const QColor SettingsPanel::Colour(43, 32, 78);

SettingsPanel::SettingsPanel(const char* name, QWidget* parent)
    : QFrame(parent), m_layout(new QVBoxLayout(this))
{
    setObjectName(QLatin1String(name));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Colour);
    colours.setColor(QPalette::WindowText, Qt::white);
    setPalette(colours);
    m_layout->setContentsMargins(10, 8, 10, 10);
    m_layout->setSpacing(4);
}

QLabel* SettingsPanel::addHeading(const char* name)
{
    QLabel* label = addLabel(name);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QLabel* SettingsPanel::addLabel(const char* name)
{
    auto* label = new QLabel(this);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    m_layout->addWidget(label);
    return label;
}

void SettingsPanel::addWidget(QWidget* widget, Qt::Alignment alignment)
{
    m_layout->addWidget(widget, 0, alignment);
}

// A field keeps the standard colours of its own frame and buttons: drawn with the panel's
// dark colours, the arrows of a spin box would all but vanish.
void SettingsPanel::keepStandardColours(QWidget* field)
{
    const QPalette standard = QApplication::palette(field);
    QPalette colours = field->palette();
    for (const QPalette::ColorRole role :
         {QPalette::Window, QPalette::WindowText, QPalette::Button, QPalette::ButtonText,
          QPalette::Light, QPalette::Midlight, QPalette::Mid, QPalette::Dark, QPalette::Shadow}) {
        for (const QPalette::ColorGroup group :
             {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            colours.setColor(group, role, standard.color(group, role));
    }
    field->setPalette(colours);
}

QLabel* SettingsPanel::addLabelledRow(const char* labelName, QWidget* field)
{
    keepStandardColours(field);
    auto* label = new QLabel(this);
    label->setObjectName(QLatin1String(labelName));
    label->setBuddy(field);
    auto* row = new QHBoxLayout;
    row->addWidget(label, 1);
    row->addWidget(field);
    m_layout->addLayout(row);
    return label;
}

void SettingsPanel::addSpacing(int pixels)
{
    m_layout->addSpacing(pixels);
}

void SettingsPanel::addStretch()
{
    m_layout->addStretch(1);
}
