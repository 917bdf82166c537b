#include "FilterBar.h"

#include "core/Language.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {

constexpr int RowGap = 2;
constexpr int CheckBoxGap = 16;

QString numbered(const char* name, int box)
{
    return QLatin1String(name) + QString::number(box + 1);
}

} // namespace

FilterBar::FilterBar(QWidget* parent) : QGroupBox(parent)
{
    setObjectName(QStringLiteral("GroupBox1"));
    for (int box = 0; box < FilterBoxCount; ++box) {
        m_cbFilter[box] = new QCheckBox(this);
        m_cbFilter[box]->setObjectName(numbered("cbFilter", box));
        m_edFilter[box] = new QLineEdit(this);
        m_edFilter[box]->setObjectName(numbered("edFilter", box));
        connect(m_cbFilter[box], &QCheckBox::toggled, this, &FilterBar::filterChanged);
        connect(m_edFilter[box], &QLineEdit::textChanged, this,
                [this, box] { edFilterChange(box); });
    }
    m_cbFilterExcept = new QCheckBox(this);
    m_cbFilterExcept->setObjectName(QStringLiteral("cbFilterExcept"));
    m_cbFilterEmpty = new QCheckBox(this);
    m_cbFilterEmpty->setObjectName(QStringLiteral("cbFilterEmpty"));
    connect(m_cbFilterExcept, &QCheckBox::toggled, this, &FilterBar::filterChanged);
    connect(m_cbFilterEmpty, &QCheckBox::toggled, this, &FilterBar::filterChanged);

    applyCaptions();
    setHeaders({});
    std::array<int, FilterBoxCount> widths;
    widths.fill(80);
    lineUp(0, widths);
}

void FilterBar::applyCaptions()
{
    setTitle(LangText(70, QStringLiteral("Filter:")) + u' ');
    m_cbFilterExcept->setText(LangText(71, QStringLiteral("Hide exceptions")));
    m_cbFilterEmpty->setText(LangText(92, QStringLiteral("Show unassigned alarms")));
    placeRows();
}

void FilterBar::setHeaders(const QStringList& headers)
{
    for (int box = 0; box < FilterBoxCount; ++box) {
        const QString header = headers.value(box + 1);
        m_cbFilter[box]->setText(header);
        m_edFilter[box]->setAccessibleName(header);
    }
}

void FilterBar::lineUp(int firstLeft, const std::array<int, FilterBoxCount>& columnWidths)
{
    m_firstLeft = firstLeft;
    int left = firstLeft;
    for (int box = 0; box < FilterBoxCount; ++box) {
        m_edFilter[box]->move(left, m_edFilter[box]->y());
        m_edFilter[box]->resize(columnWidths[box], m_edFilter[box]->height());
        m_cbFilter[box]->setGeometry(left, m_cbFilter[box]->y(), columnWidths[box],
                                     m_cbFilter[box]->height());
        left += columnWidths[box];
    }
    placeRows();
}

// Three rows below the caption: the column check boxes, the text boxes, the two check boxes.
void FilterBar::placeRows()
{
    const int checkHeight = m_cbFilterExcept->sizeHint().height();
    const int editHeight = m_edFilter[0]->sizeHint().height();
    const int checksTop = fontMetrics().height() + RowGap * 2;
    const int editsTop = checksTop + checkHeight + RowGap;
    const int bottomTop = editsTop + editHeight + RowGap * 2;
    for (int box = 0; box < FilterBoxCount; ++box) {
        m_cbFilter[box]->setGeometry(m_cbFilter[box]->x(), checksTop, m_cbFilter[box]->width(),
                                     checkHeight);
        m_edFilter[box]->setGeometry(m_edFilter[box]->x(), editsTop, m_edFilter[box]->width(),
                                     editHeight);
    }
    const QSize exceptSize = m_cbFilterExcept->sizeHint();
    m_cbFilterExcept->setGeometry(m_firstLeft, bottomTop, exceptSize.width(), checkHeight);
    m_cbFilterEmpty->setGeometry(m_firstLeft + exceptSize.width() + CheckBoxGap, bottomTop,
                                 m_cbFilterEmpty->sizeHint().width(), checkHeight);
    setFixedHeight(bottomTop + checkHeight + RowGap * 3);
}

FilterBarState FilterBar::state() const
{
    FilterBarState state;
    for (int box = 0; box < FilterBoxCount; ++box)
        state.boxes[box] = {m_cbFilter[box]->isChecked(), m_edFilter[box]->text()};
    state.hideExceptions = m_cbFilterExcept->isChecked();
    state.onlyUnassigned = m_cbFilterEmpty->isChecked();
    return state;
}

void FilterBar::correctDots()
{
    for (int box = 0; box < FilterBoxCount; ++box) {
        QLineEdit* edit = m_edFilter[box];
        if (!m_cbFilter[box]->isChecked())
            continue;
        const std::optional<DotCorrection> correction =
            correctFilterDots(edit->text(), edit->cursorPosition());
        if (!correction)
            continue;
        // The corrected text is what the filter being applied reads; applying it a second
        // time for the replacement would only repeat the work (and any message).
        const QSignalBlocker quiet(edit);
        edit->setText(correction->text);
        edit->setCursorPosition(correction->caret);
    }
}

// Typing in a box ticks its check box. The tick is part of the same change: the filter runs
// once per keystroke, not once for the tick and again for the text.
void FilterBar::edFilterChange(int box)
{
    {
        const QSignalBlocker quiet(m_cbFilter[box]);
        m_cbFilter[box]->setChecked(true);
    }
    Q_EMIT filterChanged();
}
