#pragma once

#include <QListView>
#include <QTimer>

class DiagnosticLineDelegate;
class DiagnosticListModel;

// A diagnostic list (lbxDebug, lbxComDebug): the newest lines of its model, following the
// newest line as it arrives, unless the operator has scrolled up to read; then what he reads
// stays in place, also while the oldest lines are dropped.
class DiagnosticList : public QListView
{
    Q_OBJECT
public:
    explicit DiagnosticList(QWidget* parent = nullptr);

    // Both take in the lines still waiting to be shown first.
    DiagnosticListModel& lines();
    int count();

    void setHorizontalExtent(int pixels);
    // True while the list shows its newest line, so that new lines are followed; false once
    // the operator scrolled up, until he scrolls back to the end.
    bool followsNewest() const { return m_following; }

public Q_SLOTS:
    // Adds the line; it is shown within a tenth of a second, together with the lines that
    // arrive meanwhile. When following, the newest line is selected and scrolled to.
    void appendLine(const QString& line);
    // Shows the lines waiting now.
    void showPendingLines();
    void clear();

private:
    void rangeChanged(int minimum, int maximum);
    void valueChanged(int value);
    void showNewest();

    DiagnosticListModel* m_model;
    DiagnosticLineDelegate* m_delegate;
    bool m_following = true;
    // Selecting and scrolling lay the whole list out: once per burst, not once per line.
    QTimer m_followTimer;
    // Every change of the model lays the whole list out as well: during a burst of traffic
    // the lines are taken in batches, or ten thousand lines would cost milliseconds a line.
    QStringList m_pending;
    QTimer m_pendingTimer;
};
