#include "DiagnosticList.h"

#include "DiagnosticLineDelegate.h"

#include "ui/logic/DiagnosticListModel.h"

#include <QScrollBar>

#include <algorithm>
#include <utility>

namespace {

// How long a line may wait to be shown with the lines that follow it.
constexpr int kBatchMs = 100;

} // namespace

DiagnosticList::DiagnosticList(QWidget* parent)
    : QListView(parent),
      m_model(new DiagnosticListModel(DiagnosticListModel::DefaultCapacity, this)),
      m_delegate(new DiagnosticLineDelegate(this))
{
    // Equal line sizes keep the layout of ten thousand lines as cheap as that of ten.
    setUniformItemSizes(true);
    setItemDelegate(m_delegate);
    setModel(m_model);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    // One scroll step is one line: keeping the operator's place is then a matter of steps.
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerPixel);
    // Both run after the layout has settled, also for a resize or the first show.
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, &DiagnosticList::rangeChanged);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &DiagnosticList::valueChanged);
    m_followTimer.setSingleShot(true);
    m_followTimer.setInterval(0);
    connect(&m_followTimer, &QTimer::timeout, this, &DiagnosticList::showNewest);
    m_pendingTimer.setSingleShot(true);
    m_pendingTimer.setInterval(kBatchMs);
    connect(&m_pendingTimer, &QTimer::timeout, this, &DiagnosticList::showPendingLines);
}

DiagnosticListModel& DiagnosticList::lines()
{
    showPendingLines();
    return *m_model;
}

int DiagnosticList::count()
{
    return lines().rowCount();
}

void DiagnosticList::setHorizontalExtent(int pixels)
{
    m_delegate->setHorizontalExtent(pixels);
    scheduleDelayedItemsLayout();
}

void DiagnosticList::rangeChanged(int, int maximum)
{
    if (m_following)
        verticalScrollBar()->setValue(maximum);
}

void DiagnosticList::valueChanged(int value)
{
    m_following = value >= verticalScrollBar()->maximum();
}

void DiagnosticList::appendLine(const QString& line)
{
    m_pending.append(line);
    if (!m_pendingTimer.isActive())
        m_pendingTimer.start();
}

void DiagnosticList::showPendingLines()
{
    m_pendingTimer.stop();
    if (m_pending.isEmpty())
        return;
    const int readingAt = verticalScrollBar()->value();
    const int dropped = m_model->appendLines(std::exchange(m_pending, {}));
    if (m_following) {
        m_followTimer.start();
    } else if (dropped > 0) {
        // The lines above moved up; so does the place the operator reads.
        verticalScrollBar()->setValue(std::max(0, readingAt - dropped));
    }
}

void DiagnosticList::showNewest()
{
    if (!m_following || m_model->rowCount() == 0)
        return;
    setCurrentIndex(m_model->index(m_model->rowCount() - 1));
    scrollToBottom();
}

void DiagnosticList::clear()
{
    m_pending.clear();
    m_pendingTimer.stop();
    m_model->clear();
    m_following = true;
}
