#include "TOKBottomDlg1.h"

#include "core/Language.h"
#include "store/DocumentOwner.h"
#include "store/LinkDefs.h"
#include "store/XmlNodeEdit.h"
#include "ui/VisibleSelection.h"
#include "ui/logic/ExceptFilterConditions.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int FilterBarHeight = 64;
constexpr int FilterBoxTop = 36;
constexpr int FilterCheckTop = 16;

QString fromView(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The placeholder of an absent nr shows as an empty cell.
QString shownNr(const OfficeAlarmType& type)
{
    return type.nr == NotGivenValue ? QString() : fromView(type.nr);
}

QTableWidgetItem* readOnlyCell(const QString& text)
{
    auto* cell = new QTableWidgetItem(text);
    cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
    return cell;
}

} // namespace

TOKBottomDlg1::TOKBottomDlg1(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"TOKBottomDlg1"_s);
    setFixedSize(ClientWidth, ClientHeight);
    buildGrid();
    m_okBtn = new QPushButton(this);
    m_okBtn->setObjectName(u"OKBtn"_s);
    m_okBtn->setDefault(true);
    m_cancelBtn = new QPushButton(this);
    m_cancelBtn->setObjectName(u"CancelBtn"_s);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okBtn);
    buttons->addWidget(m_cancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addWidget(m_sgExcept, 1);
    layout->addWidget(buildFilterBar());
    layout->addWidget(buildChoices());
    layout->addLayout(buttons);

    m_gfAlarm.setObjectName(u"gfAlarm"_s);
    m_gfAlarm.setGrid(m_sgExcept);
    m_sgExcept->installEventFilter(this);

    // Escape and the close box reject, which leaves the dialog not accepted.
    connect(m_okBtn, &QPushButton::clicked, this, &TOKBottomDlg1::OKBtnClick);
    connect(m_cancelBtn, &QPushButton::clicked, this, &TOKBottomDlg1::CancelBtnClick);
    connect(m_cbFilter1, &QCheckBox::clicked, this, &TOKBottomDlg1::cbFilter1Click);
    connect(m_cbFilter2, &QCheckBox::clicked, this, &TOKBottomDlg1::cbFilter2Click);
    connect(m_edFilter1, &QLineEdit::textChanged, this, &TOKBottomDlg1::edFilter1Change);
    connect(m_edFilter2, &QLineEdit::textChanged, this, &TOKBottomDlg1::edFilter2Change);

    applyCaptions();
    m_rbLocations->setChecked(true);
    m_accepted = false;
}

void TOKBottomDlg1::buildGrid()
{
    m_sgExcept = new QTableWidget(0, ColumnCount, this);
    m_sgExcept->setObjectName(u"sgExcept"_s);
    m_sgExcept->verticalHeader()->hide();
    m_sgExcept->verticalHeader()->setDefaultSectionSize(DefaultRowHeight);
    m_sgExcept->setShowGrid(false);
    m_sgExcept->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_sgExcept->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_sgExcept->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_sgExcept->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_sgExcept->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_sgExcept->horizontalHeader()->setMinimumSectionSize(FixedColumnWidth);
    m_sgExcept->setColumnWidth(Fixed, FixedColumnWidth);
    m_sgExcept->setColumnWidth(Code, CodeColumnWidth);
    m_sgExcept->setColumnWidth(Text, TextColumnWidth);
    m_sgExcept->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int column = 0; column < ColumnCount; ++column)
        m_sgExcept->setHorizontalHeaderItem(column, new QTableWidgetItem);
}

QGroupBox* TOKBottomDlg1::buildFilterBar()
{
    m_groupBox1 = new QGroupBox(this);
    m_groupBox1->setObjectName(u"GroupBox1"_s);
    m_groupBox1->setFixedHeight(FilterBarHeight);
    m_cbFilter1 = new QCheckBox(m_groupBox1);
    m_cbFilter1->setObjectName(u"cbFilter1"_s);
    m_edFilter1 = new QLineEdit(m_groupBox1);
    m_edFilter1->setObjectName(u"edFilter1"_s);
    m_cbFilter2 = new QCheckBox(m_groupBox1);
    m_cbFilter2->setObjectName(u"cbFilter2"_s);
    m_edFilter2 = new QLineEdit(m_groupBox1);
    m_edFilter2->setObjectName(u"edFilter2"_s);
    return m_groupBox1;
}

QGroupBox* TOKBottomDlg1::buildChoices()
{
    m_rgSelected = new QGroupBox(this);
    m_rgSelected->setObjectName(u"rgSelected"_s);
    m_rbLocations = new QRadioButton(m_rgSelected);
    m_rbLocations->setObjectName(u"rgSelectedLocations"_s);
    m_rbGeneral = new QRadioButton(m_rgSelected);
    m_rbGeneral->setObjectName(u"rgSelectedGeneral"_s);
    auto* layout = new QVBoxLayout(m_rgSelected);
    layout->addWidget(m_rbLocations);
    layout->addWidget(m_rbGeneral);
    return m_rgSelected;
}

void TOKBottomDlg1::applyCaptions()
{
    setWindowTitle(LangText(49, u"Add Exceptions"_s));
    m_sgExcept->horizontalHeaderItem(Code)->setText(LangText(45, u"Code"_s));
    m_sgExcept->horizontalHeaderItem(Text)->setText(LangText(46, u"Text"_s));
    // Nothing on screen names the grid but the dialog's caption.
    m_sgExcept->setAccessibleName(windowTitle());
    m_groupBox1->setTitle(LangText(48, u"Filter"_s));
    m_cbFilter1->setText(LangText(50, u"nr"_s));
    m_cbFilter2->setText(LangText(51, u"text"_s));
    // A filter box is named by the header of the column it filters.
    m_edFilter1->setAccessibleName(m_sgExcept->horizontalHeaderItem(Code)->text());
    m_edFilter2->setAccessibleName(m_sgExcept->horizontalHeaderItem(Text)->text());
    m_rbLocations->setText(LangText(52, u"Add only to the selected location(s)"_s));
    m_rbGeneral->setText(LangText(53, u"Add as general exception (independent from locations)"_s));
    m_rgSelected->setAccessibleName(windowTitle());
    m_cancelBtn->setText(LangText(54, u"Cancel"_s));
    m_okBtn->setText(LangText(55, u"Add Selection"_s));
}

void TOKBottomDlg1::FormShow()
{
    const XmlDocument* linkDefs = m_linkDefs ? m_linkDefs->document() : nullptr;
    // A missing container shows no rows; nothing is added to the document for it.
    m_alarmTypes = linkDefs ? officeAlarmTypes(*linkDefs) : std::vector<OfficeAlarmType>{};
    m_sgExcept->setRowCount(0);
    m_sgExcept->setRowCount(int(m_alarmTypes.size()));
    for (int row = 0; row < int(m_alarmTypes.size()); ++row) {
        const OfficeAlarmType& type = m_alarmTypes[std::size_t(row)];
        m_sgExcept->setItem(row, Fixed, readOnlyCell({}));
        m_sgExcept->setItem(row, Code, readOnlyCell(shownNr(type)));
        m_sgExcept->setItem(row, Text, readOnlyCell(fromView(type.text)));
    }
    lineUpFilterBar();
}

// Each box sits under the column it filters; each check box above its box.
void TOKBottomDlg1::lineUpFilterBar()
{
    const int boxHeight = m_edFilter1->sizeHint().height();
    const int left =
        m_sgExcept->geometry().left() - m_groupBox1->geometry().left() + m_sgExcept->frameWidth();
    const int first = std::max(0, left) + FixedColumnWidth;
    m_edFilter1->setGeometry(first, FilterBoxTop - boxHeight / 2, CodeColumnWidth, boxHeight);
    const int second = first + CodeColumnWidth;
    const int secondWidth = std::min(TextColumnWidth, m_groupBox1->width() - second - 4);
    m_edFilter2->setGeometry(second, FilterBoxTop - boxHeight / 2, secondWidth, boxHeight);
    m_cbFilter1->move(first, FilterCheckTop);
    m_cbFilter2->move(second, FilterCheckTop);
}

void TOKBottomDlg1::filterAlarmTypes()
{
    m_gfAlarm.ResetFilter();
    const ExceptFilterBox code{m_cbFilter1->isChecked(), m_edFilter1->text(), Code};
    const ExceptFilterBox text{m_cbFilter2->isChecked(), m_edFilter2->text(), Text};
    std::optional<TGridRowFilter> conditions = exceptFilterConditions(code, text);
    if (conditions && !conditions->conditions.empty())
        m_gfAlarm.SetFilter(std::move(*conditions));
}

// Typing in a box ticks it: what is typed is meant to filter.
void TOKBottomDlg1::edFilter1Change()
{
    filterAlarmTypes();
    m_cbFilter1->setChecked(true);
    cbFilter1Click();
}

void TOKBottomDlg1::edFilter2Change()
{
    filterAlarmTypes();
    m_cbFilter2->setChecked(true);
    cbFilter2Click();
}

bool TOKBottomDlg1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_sgExcept && event->type() == QEvent::KeyPress)
        return sgExceptKeyDown(static_cast<QKeyEvent*>(event));
    return QDialog::eventFilter(watched, event);
}

// Ctrl+A, without Shift or Alt, selects code and text of every alarm type, hidden ones
// included (adding skips them); other keys go to the grid.
bool TOKBottomDlg1::sgExceptKeyDown(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (event->key() != Qt::Key_A || modifiers != Qt::ControlModifier)
        return false;
    if (m_sgExcept->rowCount() > 0) {
        const QItemSelection all(m_sgExcept->model()->index(0, Code),
                                 m_sgExcept->model()->index(m_sgExcept->rowCount() - 1, Text));
        m_sgExcept->selectionModel()->select(all, QItemSelectionModel::ClearAndSelect);
    }
    return true;
}

void TOKBottomDlg1::OKBtnClick()
{
    addSelection();
    m_accepted = true;
    accept();
}

void TOKBottomDlg1::CancelBtnClick()
{
    m_accepted = false;
    reject();
}

// A general exception that exists is reused with its assignment emptied; a location exception
// starts with its location's ZEL alarm and group, or is updated to them when it exists.
void TOKBottomDlg1::addSelection()
{
    if (!m_linkDefs)
        return;
    const bool general = m_rbGeneral->isChecked();
    const QList<int> rows = visibleSelectedRows(*m_sgExcept);
    m_linkDefs->edit([&](XmlDocument& linkDefs) {
        bool changed = false;
        for (const int row : rows) {
            // The rows are the alarm types as read, whatever the cells show.
            const OfficeAlarmType& type = m_alarmTypes.at(std::size_t(row));
            if (general) {
                changed |= AssignGeneralException(linkDefs, type.nr, type.text, {}, {});
                continue;
            }
            for (const ExceptTargetLocation& target : m_targets) {
                LinkKey key = target.location;
                key.kind = LinkKey::LocationException;
                key.nr = type.nr;
                changed |= assignLinkAt(linkDefs, key, target.zelAlarm.stored(),
                                        target.zelGroup.stored(), type.text);
            }
        }
        return changed;
    });
    (void)m_linkDefs->save(); // a failure is logged and shown by the owner
}
