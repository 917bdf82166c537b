#pragma once

#include "EvaluationContext.h"
#include "SendUndo.h"

#include "core/Clock.h"
#include "core/StepWait.h"
#include "core/TimedWait.h"
#include "store/CurrentLinkTable.h"

#include <QString>

#include <optional>
#include <set>

// The walk over the alarm status after a poll: examine one entry per step,
// send what changed, judge ZelMeld's reply and record the outcome. Each step
// returns the main state machine's next state.
class AlarmEvaluation
{
public:
    explicit AlarmEvaluation(EvaluationContext context);

    // A poll starts a new walk at the first entry.
    void startWalk();

    int examineEntry(); // state 9: 3 when done, 10 to send, else 9
    int sendEntry();    // state 10: always 11
    int judgeReply();   // state 11: 9, 10 or 11
    // What state 11 waits for: ZelMeld's reply, the news that the line never left, or the
    // reply time-out.
    StepWait replyWait() const;

    int entryIndex() const { return m_entryIndex; }
    int attempts() const { return m_attempts; }

private:
    pugi::xml_node statusRoot() const;
    pugi::xml_node childAt(int index);
    int nextEntry();
    int skipUnreadable(const QString& reason);
    int examineAlarm();
    int examineGroup();
    int examineRepeat(const QString& logText);
    const XmlDocument& zelDefs() const;
    std::optional<Timestamp> readTime(const char* attribute, QString& problem) const;
    bool missing(const char* attribute, QString& problem) const;
    QString entryName() const;
    std::string groupCodeOf(pugi::xml_node entry);
    int keepPending();
    void queue(const QString& message);
    void queueConfigurationAlarm();
    void sendAlarm();
    void sendGroup();
    int repeatMinutes();
    void recordOutcome(const char* error, bool advance);
    void setErrorFields(const char* error);
    void markSent();
    void setRepeat(int minutes);
    void setAttribute(const char* name, const std::string& value);

    EvaluationContext m_ctx;
    CurrentLinkTable m_links; // the link definitions, indexed; follows every edit
    int m_entryIndex = 0;
    int m_attempts = 0;
    bool m_notAccepted = false;
    TimedWait m_replyWait; // for ZelMeld's reply to the line just sent
    pugi::xml_node m_current;
    int m_cursorIndex = -1;
    pugi::xml_node m_cursor;
    std::set<int> m_reported;
    quint64 m_sentId = 0;
    bool m_repeatDue = false;
    SendUndo m_undo;
};
