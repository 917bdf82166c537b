#include "TOKBottomDlg.h"

#include "core/Language.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int DialogWidth = 340;

// The name as stored: at most 40 characters (a character outside the basic plane is not cut
// in half), then without blanks or control characters at either end.
QString storedName(const QString& typed)
{
    QString name;
    int characters = 0;
    for (qsizetype i = 0; i < typed.size() && characters < TOKBottomDlg::NameLength; ++i) {
        name += typed[i];
        if (typed[i].isHighSurrogate() && i + 1 < typed.size())
            name += typed[++i];
        ++characters;
    }
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && name[begin].unicode() <= u' ')
        ++begin;
    while (end > begin && name[end - 1].unicode() <= u' ')
        --end;
    return name.mid(begin, end - begin);
}

// A typed value outside the range is brought into it when read.
int readValue(QSpinBox* box)
{
    box->interpretText();
    return box->value();
}

// The label names the control for a screen reader as well.
void pair(QLabel* label, QWidget* control)
{
    label->setBuddy(control);
    control->setAccessibleName(label->text());
}

} // namespace

TOKBottomDlg::TOKBottomDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"TOKBottomDlg"_s);
    m_lblCode = label("lblCode");
    m_spnCode = spinBox("spnCode");
    m_lblNaam = label("lblNaam");
    m_edtNaam = new QLineEdit(this);
    m_edtNaam->setObjectName(u"edtNaam"_s);
    m_lblDelay = label("lblDelay");
    m_spnDelay = spinBox("spnDelay");
    m_lblSeconds = label("lblSeconds");
    m_lblHerhaal = label("lblHerhaal");
    m_spnHerhaal = spinBox("spnHerhaal");
    m_lblminutes = label("lblminutes");
    m_okBtn = new QPushButton(this);
    m_okBtn->setObjectName(u"OKBtn"_s);
    m_okBtn->setDefault(true);
    m_cancelBtn = new QPushButton(this);
    m_cancelBtn->setObjectName(u"CancelBtn"_s);

    auto* fields = new QGridLayout;
    fields->setVerticalSpacing(4);
    fields->addWidget(m_lblCode, 0, 0);
    fields->addWidget(m_spnCode, 0, 1);
    fields->addWidget(m_lblNaam, 1, 0);
    fields->addWidget(m_edtNaam, 1, 1, 1, 2);
    fields->addWidget(m_lblDelay, 2, 0);
    fields->addWidget(m_spnDelay, 2, 1);
    fields->addWidget(m_lblSeconds, 2, 2);
    fields->addWidget(m_lblHerhaal, 3, 0);
    fields->addWidget(m_spnHerhaal, 3, 1);
    fields->addWidget(m_lblminutes, 3, 2);
    fields->setColumnStretch(2, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okBtn);
    buttons->addWidget(m_cancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    // Escape and the close box reject, which leaves the dialog not accepted.
    connect(m_okBtn, &QPushButton::clicked, this, &TOKBottomDlg::OKBtnClick);
    connect(m_cancelBtn, &QPushButton::clicked, this, &TOKBottomDlg::CancelBtnClick);
}

QSpinBox* TOKBottomDlg::spinBox(const char* name)
{
    auto* box = new QSpinBox(this);
    box->setObjectName(QLatin1String(name));
    box->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    return box;
}

QLabel* TOKBottomDlg::label(const char* name)
{
    auto* text = new QLabel(this);
    text->setObjectName(QLatin1String(name));
    return text;
}

void TOKBottomDlg::FormShow()
{
    m_accepted = false;
    const bool alarm = m_kind == Kind::Alarm;
    const QString action = m_mode == Mode::Add ? LangText(43, u"Add"_s) : LangText(44, u"Edit"_s);
    setWindowTitle(action + u' ' +
                   (alarm ? LangText(38, u"Alarm"_s) : LangText(35, u"Location"_s)));
    m_lblCode->setText(alarm ? LangText(39, u"Alarm-code"_s) : LangText(36, u"Location-code"_s));
    m_spnCode->setRange(1, alarm ? AlarmCodeMax : LocationCodeMax);
    m_lblNaam->setText(alarm ? LangText(40, u"Alarm-name"_s) : LangText(37, u"Location-name"_s));
    m_lblDelay->setText(LangText(100, u"Group delay"_s));
    m_spnDelay->setRange(0, GroupDelayMax);
    m_spnDelay->setSingleStep(GroupDelayStep);
    m_lblSeconds->setText(LangText(101, u"seconds"_s));
    m_lblHerhaal->setText(LangText(107, u"Repeat interval"_s));
    m_spnHerhaal->setRange(0, RepeatMax);
    m_lblminutes->setText(LangText(108, u"minutes"_s));
    m_okBtn->setText(LangText(42, u"OK"_s));
    m_cancelBtn->setText(LangText(41, u"Cancel"_s));
    pair(m_lblCode, m_spnCode);
    pair(m_lblNaam, m_edtNaam);
    pair(m_lblDelay, m_spnDelay);
    pair(m_lblHerhaal, m_spnHerhaal);
    for (QWidget* timing :
         {static_cast<QWidget*>(m_lblDelay), static_cast<QWidget*>(m_spnDelay),
          static_cast<QWidget*>(m_lblSeconds), static_cast<QWidget*>(m_lblHerhaal),
          static_cast<QWidget*>(m_spnHerhaal), static_cast<QWidget*>(m_lblminutes)})
        timing->setVisible(alarm);
    // The dialog fits what it shows: without the timing rows of an alarm it is shorter, with
    // no empty band where they would stand.
    layout()->invalidate();
    layout()->activate();
    setFixedSize(DialogWidth, sizeHint().height());

    m_spnCode->setValue(m_values.code);
    m_edtNaam->setText(m_values.name);
    m_spnDelay->setValue(m_values.groupDelay);
    m_spnHerhaal->setValue(m_values.repeat);
    m_spnCode->setFocus();
    m_spnCode->selectAll();
}

void TOKBottomDlg::OKBtnClick()
{
    m_accepted = true;
    m_values.code = readValue(m_spnCode);
    m_values.groupDelay = readValue(m_spnDelay);
    m_values.repeat = readValue(m_spnHerhaal);
    m_values.name = storedName(m_edtNaam->text());
    accept();
}

void TOKBottomDlg::CancelBtnClick()
{
    m_accepted = false;
    reject();
}
