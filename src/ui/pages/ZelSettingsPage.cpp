#include "ZelSettingsPage.h"

#include "DiagnosticList.h"
#include "SettingsPanel.h"

#include "core/Language.h"
#include "core/Log.h"
#include "core/Settings.h"
#include "link/ZelMessages.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int PanelWidth = 330;

QLineEdit* lineEdit(QWidget* parent, const char* name, const QString& text)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setText(text);
    return edit;
}

QPushButton* button(QWidget* parent, const char* name)
{
    auto* push = new QPushButton(parent);
    push->setObjectName(QLatin1String(name));
    return push;
}

// A field without a caption is named by the label beside it, without its trailing blank.
void nameBy(QWidget* field, const QLabel* label)
{
    field->setAccessibleName(label->text().trimmed());
}

} // namespace

ZelSettingsPage::ZelSettingsPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tbsIP"));
    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    column->addWidget(buildSettingsPanel());
    column->addWidget(buildTestPanel(), 1);

    m_lbxDebug = new DiagnosticList(this);
    m_lbxDebug->setObjectName(QStringLiteral("lbxDebug"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(column);
    layout->addWidget(m_lbxDebug, 1);

    connect(m_sendButton, &QPushButton::clicked, this, &ZelSettingsPage::SendButtonClick);
    connect(m_btnClear, &QPushButton::clicked, this, &ZelSettingsPage::btnClearClick);
    applyCaptions();
}

QWidget* ZelSettingsPage::buildSettingsPanel()
{
    auto* panel = new SettingsPanel("pnlSettings", this);
    panel->setFixedWidth(PanelWidth);
    m_label10 = panel->addHeading("Label10");
    m_edtAddress = lineEdit(panel, "edtAddress", QStringLiteral("127.0.0.1"));
    m_label11 = panel->addLabel("Label11");
    m_label11->setBuddy(m_edtAddress);
    panel->addWidget(m_edtAddress);

    // Typing stops at four digits; a longer port stored by hand is still shown whole, so
    // that saving does not cut it.
    m_maskEdit1 = lineEdit(panel, "MaskEdit1", QStringLiteral("8132"));
    m_maskEdit1->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,4}")), m_maskEdit1));
    m_maskEdit1->setFixedWidth(70);
    m_label12 = panel->addLabelledRow("Label12", m_maskEdit1);

    m_spinEdit1 = new QSpinBox(panel);
    m_spinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    m_spinEdit1->setRange(0, 9);
    m_spinEdit1->setValue(1);
    m_spinEdit1->setFixedWidth(70);
    m_lblID = panel->addLabelledRow("lblID", m_spinEdit1);
    m_lblID->setWordWrap(true);

    panel->addSpacing(6);
    m_label13 = panel->addLabel("Label13");
    return panel;
}

QWidget* ZelSettingsPage::buildTestPanel()
{
    auto* panel = new SettingsPanel("pnlTest", this);
    panel->setFixedWidth(PanelWidth);
    m_label9 = panel->addHeading("Label9");

    // Six digits, as ZelMeld numbers its locations.
    m_medtLocatie = lineEdit(panel, "medtLocatie", {});
    m_medtLocatie->setInputMask(QStringLiteral("000000"));
    m_medtLocatie->setText(QStringLiteral("000001"));
    m_medtLocatie->setFixedWidth(90);
    m_lblInvoer = panel->addLabelledRow("lblInvoer", m_medtLocatie);
    m_medtInput = lineEdit(panel, "medtInput", QStringLiteral("01"));
    m_medtInput->setFixedWidth(90);
    m_label3 = panel->addLabelledRow("Label3", m_medtInput);
    m_medtStat = lineEdit(panel, "medtStat", QStringLiteral("A"));
    m_medtStat->setFixedWidth(90);
    m_label4 = panel->addLabelledRow("Label4", m_medtStat);

    m_sendButton = button(panel, "SendButton");
    m_btnClear = button(panel, "btnClear");
    auto* buttons = new QWidget(panel);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 6, 0, 0);
    row->addWidget(m_sendButton);
    row->addWidget(m_btnClear);
    panel->addWidget(buttons);
    panel->addStretch();
    return panel;
}

void ZelSettingsPage::applyCaptions()
{
    m_label10->setText(LangText(72, QStringLiteral("Settings:")) + u' ');
    m_label11->setText(LangText(73, QStringLiteral("ZEL-Pro server hostname or IP address:")));
    m_label12->setText(LangText(74, QStringLiteral("IP port")));
    m_label13->setText(
        LangText(82, QStringLiteral("After changing settings, ZelPO MUST be restarted.")));
    m_label9->setText(LangText(75, QStringLiteral("Test")) + u' ');
    m_lblInvoer->setText(LangText(76, QStringLiteral("Location")));
    m_label3->setText(LangText(77, QStringLiteral("Alarm")));
    m_label4->setText(LangText(78, QStringLiteral("State")));
    m_sendButton->setText(LangText(79, QStringLiteral("Send test")));
    m_btnClear->setText(LangText(80, QStringLiteral("Clear window")));
    m_lblID->setText(LangText(88, QStringLiteral("Zel watchdog ID (each tcp/IP client that "
                                                 "connects to ZEL must have a different id):")));

    nameBy(m_edtAddress, m_label11);
    nameBy(m_maskEdit1, m_label12);
    nameBy(m_spinEdit1, m_lblID);
    nameBy(m_medtLocatie, m_lblInvoer);
    nameBy(m_medtInput, m_label3);
    nameBy(m_medtStat, m_label4);
    // Nothing on the page names the list but the page's own caption.
    m_lbxDebug->setAccessibleName(LangText(57, QStringLiteral("ZEL-Pro tcp/IP settings")));
}

void ZelSettingsPage::showSettings(const Settings& settings)
{
    m_edtAddress->setText(settings.zelHost);
    m_maskEdit1->setText(QString::number(settings.zelPort));
    m_spinEdit1->setValue(settings.watchdogId);
}

void ZelSettingsPage::readSettings(Settings& settings) const
{
    settings.zelHost = m_edtAddress->text();
    settings.zelPort = portFromText(m_maskEdit1->text());
    settings.watchdogId = m_spinEdit1->value();
}

int ZelSettingsPage::watchdogId() const
{
    return m_spinEdit1->value();
}

void ZelSettingsPage::SendButtonClick()
{
    const QString location = m_medtLocatie->text();
    const QString input = m_medtInput->text();
    const QString state = m_medtStat->text();
    Q_EMIT testMessageRequested(location, input, state);
    writeRawLogLine(QStringLiteral("SendIP button ") + ZelMessage::test(location, input, state));
}

void ZelSettingsPage::btnClearClick()
{
    m_lbxDebug->clear();
}
