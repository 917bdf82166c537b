#pragma once

#include "EvaluationContext.h"
#include "MainStates.h"
#include "SendUndo.h"

#include "core/Clock.h"
#include "core/StepWait.h"
#include "core/TimedWait.h"
#include "store/CurrentLinkTable.h"
#include "store/LinkDefs.h"

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

    MainState examineEntry(); // state 9: 3 when done, 10 to send, else 9
    MainState sendEntry();    // state 10: always 11
    MainState judgeReply();   // state 11: 9, 10 or 11
    // What state 11 waits for: ZelMeld's reply, the news that the line never left, or the
    // reply time-out.
    StepWait replyWait() const;

    int entryIndex() const { return m_entryIndex; }
    int attempts() const { return m_attempts; }

private:
    pugi::xml_node statusRoot() const;
    pugi::xml_node childAt(int index);
    MainState nextEntry();
    MainState skipUnreadable(const QString& reason);
    MainState examineAlarm();
    MainState examineGroup();
    MainState examineRepeat(const QString& logText);
    MainState examineUnlinked();
    MainState keepUntried();
    const XmlDocument& zelDefs() const;
    std::optional<Timestamp> readTime(const char* attribute, QString& problem) const;
    bool missing(const char* attribute, QString& problem) const;
    QString entryName() const;
    std::optional<LinkTarget> currentLink() const;
    std::optional<LinkTarget> raisedAt() const;
    std::optional<LinkTarget> alarmTarget() const;
    std::string groupCode() const;
    MainState keepPending();
    void queue(const QString& message);
    void queueConfigurationAlarm();
    void sendAlarm();
    void sendGroup();
    void recordTarget(bool returned);
    int repeatMinutes();
    int groupRepeatMinutes() const;
    // Edits of the status, through its owner.
    void undoSend();
    void setSendError(const char* error);
    void setRepeat(int minutes);
    void recordOutcome(const char* error, bool advance);
    // Writes on the current entry, called only inside those edits.
    void setErrorFields(const char* error);
    void markSent();
    void setRepeatAt(int minutes);
    void setAttribute(const char* name, const std::string& value);
    void removeAttribute(const char* name);

    // Why the current entry is sent.
    enum class SendKind
    {
        Change, // its state changed since the last handled change
        Repeat, // its repeat time has passed
        Linked, // active before its link was made, never forwarded
    };

    EvaluationContext m_ctx;
    mutable CurrentLinkTable m_links; // the link definitions, indexed; follows every edit
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
    SendKind m_sendKind = SendKind::Change;
    // Where the current alarm's line goes, chosen when its sending begins.
    std::optional<LinkTarget> m_target;
    // The code of the current group entry, read when it is examined.
    ZelAlarmRef m_group;
    // A line of this walk never reached ZelMeld: the other changes wait for the next poll.
    bool m_zelUnreached = false;
    SendUndo m_undo;
};
