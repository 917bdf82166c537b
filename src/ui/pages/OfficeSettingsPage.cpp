#include "OfficeSettingsPage.h"

#include "DiagnosticList.h"
#include "SettingsPanel.h"

#include "core/Language.h"
#include "core/Settings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int PanelWidth = 330;

} // namespace

OfficeSettingsPage::OfficeSettingsPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tbsOffice"));
    m_lbxComDebug = new DiagnosticList(this);
    m_lbxComDebug->setObjectName(QStringLiteral("lbxComDebug"));
    // Evaluation lines can be long; the list scrolls sideways rather than cutting them.
    m_lbxComDebug->setHorizontalExtent(ListExtent);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(buildPanel());
    layout->addWidget(m_lbxComDebug, 1);

    connect(m_cbPCU, &QCheckBox::toggled, this, &OfficeSettingsPage::switchToggled);
    connect(m_cbPunct, &QCheckBox::toggled, this, &OfficeSettingsPage::switchToggled);
    connect(m_btnClearComDebug, &QPushButton::clicked, this,
            &OfficeSettingsPage::btnClearComDebugClick);
    applyCaptions();
}

QWidget* OfficeSettingsPage::buildPanel()
{
    auto* panel = new SettingsPanel("pnlOffice", this);
    panel->setFixedWidth(PanelWidth);
    m_label8 = panel->addHeading("Label8");
    m_edtPOServer = new QLineEdit(QStringLiteral("127.0.0.1"), panel);
    m_edtPOServer->setObjectName(QStringLiteral("edtPOServer"));
    m_label14 = panel->addLabel("Label14");
    m_label14->setBuddy(m_edtPOServer);
    panel->addWidget(m_edtPOServer);
    panel->addSpacing(6);
    panel->addWidget(buildLanguageGroup(panel));
    panel->addSpacing(6);

    m_cbPCU = new QCheckBox(panel);
    m_cbPCU->setObjectName(QStringLiteral("cbPCU"));
    m_cbPCU->setChecked(true);
    m_label15 = addSwitch(panel, m_cbPCU, "Label15");
    m_cbPunct = new QCheckBox(panel);
    m_cbPunct->setObjectName(QStringLiteral("cbPunct"));
    m_label17 = addSwitch(panel, m_cbPunct, "Label17");

    panel->addSpacing(6);
    m_label16 = panel->addLabel("Label16");
    panel->addStretch();
    m_btnClearComDebug = new QPushButton(panel);
    m_btnClearComDebug->setObjectName(QStringLiteral("btnClearComDebug"));
    m_btnClearComDebug->setMinimumWidth(150);
    panel->addWidget(m_btnClearComDebug, Qt::AlignLeft);
    return panel;
}

QGroupBox* OfficeSettingsPage::buildLanguageGroup(QWidget* parent)
{
    m_radioGroup1 = new QGroupBox(parent);
    m_radioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    // The language names are written in their own language, whatever the table says.
    m_english = new QRadioButton(QStringLiteral("English"), m_radioGroup1);
    m_english->setObjectName(QStringLiteral("RadioGroup1English"));
    m_english->setChecked(true);
    m_dutch = new QRadioButton(QStringLiteral("Nederlands"), m_radioGroup1);
    m_dutch->setObjectName(QStringLiteral("RadioGroup1Nederlands"));
    auto* items = new QVBoxLayout(m_radioGroup1);
    items->addWidget(m_english);
    items->addWidget(m_dutch);
    return m_radioGroup1;
}

// A check box with its text on a label beside it; clicking the text toggles the box.
QLabel* OfficeSettingsPage::addSwitch(SettingsPanel* panel, QCheckBox* box, const char* labelName)
{
    auto* holder = new QWidget(panel);
    auto* label = new QLabel(holder);
    label->setObjectName(QLatin1String(labelName));
    label->setWordWrap(true);
    label->setBuddy(box);
    label->installEventFilter(this);
    box->setParent(holder);
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(box, 0, Qt::AlignTop);
    row->addWidget(label, 1);
    panel->addWidget(holder);
    return label;
}

bool OfficeSettingsPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (auto* label = qobject_cast<QLabel*>(watched)) {
            if (auto* box = qobject_cast<QCheckBox*>(label->buddy()))
                box->toggle();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void OfficeSettingsPage::applyCaptions()
{
    m_label8->setText(LangText(72, QStringLiteral("Settings:")) + u' ');
    m_label14->setText(LangText(81, QStringLiteral("PO server hostname or IP address:")));
    m_label16->setText(
        LangText(82, QStringLiteral("After changing settings, ZelPO MUST be restarted.")));
    m_btnClearComDebug->setText(LangText(80, QStringLiteral("Clear window")));
    m_radioGroup1->setTitle(LangText(83, QStringLiteral("Language:")) + u' ');
    m_label15->setText(LangText(86, QStringLiteral("Send PCU names to ZEL when sending alarms")));
    m_label17->setText(LangText(93, QStringLiteral("Filter punctuation from alarm texts")));

    m_edtPOServer->setAccessibleName(m_label14->text());
    m_radioGroup1->setAccessibleName(m_radioGroup1->title().trimmed());
    m_cbPCU->setAccessibleName(m_label15->text());
    m_cbPunct->setAccessibleName(m_label17->text());
    // Nothing on the page names the list but the page's own caption.
    m_lbxComDebug->setAccessibleName(LangText(58, QStringLiteral("Priva Office / Other settings")));
}

void OfficeSettingsPage::showSettings(const Settings& settings)
{
    m_edtPOServer->setText(settings.poServer);
    // Exactly "NLD" is Dutch; anything else, "nld" too, is English.
    (settings.language == u"NLD" ? m_dutch : m_english)->setChecked(true);
    m_cbPCU->setChecked(settings.sendPcu);
    m_cbPunct->setChecked(settings.filterPunct);
}

void OfficeSettingsPage::readSettings(Settings& settings) const
{
    settings.poServer = m_edtPOServer->text();
    settings.language = m_english->isChecked() ? QStringLiteral("ENG") : QStringLiteral("NLD");
    settings.sendPcu = m_cbPCU->isChecked();
    settings.filterPunct = m_cbPunct->isChecked();
}

ForwardingOptions OfficeSettingsPage::options() const
{
    return {m_cbPCU->isChecked(), m_cbPunct->isChecked()};
}

void OfficeSettingsPage::switchToggled()
{
    Q_EMIT optionsChanged(options());
}

void OfficeSettingsPage::btnClearComDebugClick()
{
    m_lbxComDebug->clear();
}
