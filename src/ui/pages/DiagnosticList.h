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

    DiagnosticListModel& lines() { return *m_model; }
    const DiagnosticListModel& lines() const { return *m_model; }
    int count() const;

    void setHorizontalExtent(int pixels);
    // True while the list shows its newest line, so that new lines are followed; false once
    // the operator scrolled up, until he scrolls back to the end.
    bool followsNewest() const { return m_following; }

public Q_SLOTS:
    // Adds the line; when following, selects it and scrolls to it once the lines that arrive
    // together are in.
    void appendLine(const QString& line);
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
};
