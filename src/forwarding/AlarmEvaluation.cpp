#include "AlarmEvaluation.h"

#include "AlarmText.h"
#include "GroupEntries.h"
#include "MainStates.h"

#include "core/Language.h"
#include "core/Log.h"
#include "link/ZelFraming.h"
#include "link/ZelLink.h"
#include "link/ZelMessages.h"
#include "store/AlarmStatus.h"
#include "store/Documents.h"
#include "store/LinkDefs.h"
#include "store/TimestampText.h"
#include "store/XmlNodeEdit.h"
#include "store/ZelAlarmRef.h"
#include "store/ZelCode.h"
#include "store/ZelDefs.h"

namespace X = AlarmStatusXml;

namespace {

QString text(std::string_view value)
{
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}

std::string_view attr(pugi::xml_node node, const char* name)
{
    return attributeValue(node, name);
}

bool isAlarm(pugi::xml_node node)
{
    return std::string_view(node.name()) == X::AlarmEntry;
}

QString entryKey(pugi::xml_node entry)
{
    return text(attr(entry, X::Pcu)) + QLatin1Char(',') + text(attr(entry, X::Location)) +
           QLatin1Char(',') + text(attr(entry, X::Nr));
}

void logPo(const QString& message)
{
    LogMessage(message, LogPoList);
}

} // namespace

AlarmEvaluation::AlarmEvaluation(EvaluationContext context)
    : m_ctx(context), m_links(m_ctx.linkDefs), m_replyWait(ZelReplyWaitSeconds)
{
}

// A document not opened yet reads as empty: nothing is found in it.
const XmlDocument& AlarmEvaluation::zelDefs() const
{
    static const XmlDocument empty;
    const XmlDocument* document = m_ctx.zelDefs.document();
    return document ? *document : empty;
}

void AlarmEvaluation::startWalk()
{
    m_entryIndex = 0;
    m_cursorIndex = -1;
    m_cursor = {};
    m_reported.clear();
    m_zelUnreached = false;
}

pugi::xml_node AlarmEvaluation::statusRoot() const
{
    const XmlDocument* status = m_ctx.status.document();
    return status ? status->root() : pugi::xml_node();
}

// The walk moves forward one entry at a time; keeping the last position makes
// each step constant time however long the document is.
pugi::xml_node AlarmEvaluation::childAt(int index)
{
    const pugi::xml_node root = statusRoot();
    if (m_cursorIndex < 0 || m_cursor.parent() != root || index < m_cursorIndex) {
        m_cursorIndex = 0;
        m_cursor = root.first_child();
    }
    while (m_cursor && m_cursorIndex < index) {
        m_cursor = m_cursor.next_sibling();
        ++m_cursorIndex;
    }
    return m_cursor;
}

MainState AlarmEvaluation::nextEntry()
{
    ++m_entryIndex;
    return MainState::CheckAlarms;
}

MainState AlarmEvaluation::examineEntry()
{
    m_attempts = 0;
    m_current = {};
    m_sendKind = SendKind::Change;
    m_target.reset();
    if (std::string_view(statusRoot().name()) != kAlarmStatusRoot)
        return MainState::Wait;
    const pugi::xml_node entry = childAt(m_entryIndex);
    if (!entry)
        return MainState::Wait;
    m_current = entry;
    const std::string_view name = entry.name();
    MainState next = MainState::CheckAlarms;
    if (name == X::AlarmEntry) {
        m_notAccepted = false;
        next = examineAlarm();
    } else if (name == X::GroupEntry) {
        m_notAccepted = false;
        next = examineGroup();
    } else {
        return nextEntry();
    }
    if (next == MainState::SendAlarm && m_zelUnreached)
        return keepUntried();
    return next;
}

bool AlarmEvaluation::missing(const char* attribute, QString& problem) const
{
    if (m_current.attribute(attribute))
        return false;
    problem = QStringLiteral("attribute ") + QLatin1String(attribute) + QStringLiteral(" missing");
    return true;
}

std::optional<Timestamp> AlarmEvaluation::readTime(const char* attribute, QString& problem) const
{
    const std::string_view value = attr(m_current, attribute);
    const std::optional<Timestamp> time = tryParseTimestampText(value);
    if (!time)
        problem = QStringLiteral("invalid time ") + QLatin1String(attribute) +
                  QStringLiteral(" \"") + text(value) + QLatin1Char('"');
    return time;
}

// An entry that cannot be evaluated is reported once per walk and passed by,
// so that one damaged entry never stops the alarms behind it.
MainState AlarmEvaluation::skipUnreadable(const QString& reason)
{
    if (m_reported.insert(m_entryIndex).second)
        logPo(QStringLiteral("Alarm status entry ") + QString::number(m_entryIndex + 1) +
              QStringLiteral(" skipped: ") + reason);
    m_current = {};
    return nextEntry();
}

MainState AlarmEvaluation::examineAlarm()
{
    QString problem;
    for (const char* name : {X::Start, X::Sent, X::Location, X::Nr, X::Text}) {
        if (missing(name, problem))
            return skipUnreadable(problem);
    }
    const std::optional<Timestamp> start = readTime(X::Start, problem);
    const std::optional<Timestamp> sent = start ? readTime(X::Sent, problem) : std::nullopt;
    if (!start || !sent)
        return skipUnreadable(problem);
    if (*start > *sent) {
        logPo(LangText(90, QStringLiteral("Alarm status changed")) + QStringLiteral(": ") +
              entryKey(m_current));
        return MainState::SendAlarm;
    }
    if (attr(m_current, X::NoLink) == X::NoLinkSet && attr(m_current, X::State) == X::Active)
        return examineUnlinked();
    return examineRepeat(LangText(109, QStringLiteral("Alarm still active, repeated by ZelPO")) +
                         QStringLiteral(": ") + entryKey(m_current));
}

// An active entry whose repeat time has passed is sent again; its repeat time is cleared
// until the reply sets the next one.
MainState AlarmEvaluation::examineRepeat(const QString& logText)
{
    if (attr(m_current, X::State) != X::Active || attr(m_current, X::RepeatAt).empty())
        return nextEntry();
    QString problem;
    const std::optional<Timestamp> repeatAt = readTime(X::RepeatAt, problem);
    if (!repeatAt)
        return skipUnreadable(problem);
    if (!(UtcNow() > *repeatAt))
        return nextEntry();
    logPo(logText);
    // Cleared as the send begins, so that a line that never leaves can put it back.
    m_repeatDue = true;
    m_sendKind = SendKind::Repeat;
    return MainState::SendAlarm;
}

// An active alarm that went unforwarded for want of a link goes out as new once its row, its
// location or an exception gives it one; the send clears the mark, so it goes out once.
MainState AlarmEvaluation::examineUnlinked()
{
    if (!currentLink())
        return nextEntry();
    logPo(QStringLiteral("Alarm linked after it became active, sent as new: ") +
          entryKey(m_current));
    m_sendKind = SendKind::Linked;
    return MainState::SendAlarm;
}

// ZelMeld was not reached earlier in this walk: another try now would fail the same way, one
// connection attempt per change. The change stays as it is for the next poll.
MainState AlarmEvaluation::keepUntried()
{
    m_repeatDue = false;
    logPo(QStringLiteral("ZelMeld not reached, kept for the next poll: ") + entryName());
    m_current = {};
    return nextEntry();
}

MainState AlarmEvaluation::examineGroup()
{
    QString problem;
    if (missing(X::ZelAlarm, problem))
        return skipUnreadable(problem);
    // The code goes on the wire as two numbers: a text that is none cannot be sent.
    const std::string_view code = attr(m_current, X::ZelAlarm);
    const std::optional<ZelAlarmRef> group = ZelAlarmRef::parse(code);
    if (!group)
        return skipUnreadable(QStringLiteral("invalid group code \"") + text(code) +
                              QLatin1Char('"'));
    m_group = *group;
    std::optional<Timestamp> timeout = 0.0;
    if (m_current.attribute(X::Timeout))
        timeout = readTime(X::Timeout, problem);
    if (!timeout)
        return skipUnreadable(problem);
    if (!(UtcNow() > *timeout))
        return nextEntry();
    if (!m_current.attribute(X::Sent)) {
        if (attr(m_current, X::State) == X::Active)
            logPo(LangText(104, QStringLiteral("Group timeout passed")));
        return MainState::SendAlarm;
    }
    return examineRepeat(LangText(110, QStringLiteral("Repeat group")));
}

// The entry as the log names it: the office key of an alarm, the code of a group.
QString AlarmEvaluation::entryName() const
{
    if (isAlarm(m_current))
        return entryKey(m_current);
    return QStringLiteral("group ") + text(attr(m_current, X::ZelAlarm));
}

void AlarmEvaluation::queue(const QString& message)
{
    m_sentId = m_ctx.link.SendIPString(message, true);
}

std::optional<LinkTarget> AlarmEvaluation::currentLink() const
{
    return LookupLink(m_links.table(), zelDefs(), attr(m_current, X::Pcu),
                      attr(m_current, X::Location), attr(m_current, X::Nr));
}

// The ZEL alarm the entry's last activation was raised at, with the group it was sent with;
// nothing for an entry that does not record one (an older file).
std::optional<LinkTarget> AlarmEvaluation::raisedAt() const
{
    const std::optional<ZelAlarmRef> raised = ZelAlarmRef::parse(attr(m_current, X::SentTo));
    if (!raised)
        return std::nullopt;
    LinkTarget target;
    target.zel = *raised;
    target.group = ZelAlarmRef::parse(attr(m_current, X::Group));
    target.repeatMinutes = GetRepeat(zelDefs(), *raised);
    return target;
}

// A new activation goes where the link points now. An alarm already raised repeats and returns
// where it was raised: after its link was moved, the return must clear the ZEL alarm ZelMeld
// has, not leave it active for good and return one that was never raised.
std::optional<LinkTarget> AlarmEvaluation::alarmTarget() const
{
    const bool raised = attr(m_current, X::State) == X::Returned || m_sendKind == SendKind::Repeat;
    if (raised) {
        if (std::optional<LinkTarget> target = raisedAt())
            return target;
    }
    return currentLink();
}

// The group an alarm's message updates (empty for none).
std::string AlarmEvaluation::groupCode() const
{
    if (!isAlarm(m_current) || !m_target || !m_target->group)
        return {};
    return m_target->group->text();
}

// The line never reached ZelMeld (no connection could be made): nothing was delivered, so the
// change stays to be sent at the next walk, as it stood before this send. The walk moves on at
// once; waiting for a reply that cannot come would only hold up the other entries.
MainState AlarmEvaluation::keepPending()
{
    undoSend();
    m_zelUnreached = true;
    logPo(QStringLiteral("ZelMeld not reached, kept for the next poll: ") + entryName());
    ++m_entryIndex;
    return MainState::CheckAlarms;
}

void AlarmEvaluation::queueConfigurationAlarm()
{
    queue(ZelMessage::configurationProblem());
}

MainState AlarmEvaluation::sendEntry()
{
    ++m_attempts;
    if (m_attempts == 1 && !m_notAccepted) {
        if (isAlarm(m_current))
            m_target = alarmTarget();
        m_undo.capture(m_current, statusRoot(), groupCode());
    }
    if (std::exchange(m_repeatDue, false))
        setRepeat(0);
    if (m_notAccepted) {
        logPo(LangText(105, QStringLiteral("Alarm not accepted by ZelMeld")));
        queueConfigurationAlarm();
    } else if (isAlarm(m_current)) {
        sendAlarm();
    } else {
        sendGroup();
    }
    m_replyWait.start();
    return MainState::CheckResponse;
}

void AlarmEvaluation::sendAlarm()
{
    const std::string_view pcu = attr(m_current, X::Pcu);
    const std::string_view location = attr(m_current, X::Location);
    const std::string_view nr = attr(m_current, X::Nr);
    const bool returned = attr(m_current, X::State) == X::Returned;
    const std::optional<LinkTarget>& target = m_target;
    if (!target) {
        logPo(LangText(106, QStringLiteral("No definition found for alarm: ")) + text(location) +
              QStringLiteral(", ") + text(nr));
        queueConfigurationAlarm();
        return;
    }
    const ForwardingOptions& options = m_ctx.options;
    const QString alarmText = alarmBody(text(pcu), text(location), text(attr(m_current, X::Text)),
                                        options.sendPcu, options.filterPunct);
    const QString body = messageBody(alarmText, target->group.has_value(),
                                     LangText(103, QStringLiteral("PreAlarm")));
    const QString message =
        ZelMessage::alarm(target->zel.location, target->zel.alarm, returned, body);
    m_ctx.status.edit([&](XmlDocument& status) {
        if (target->group) {
            setAttribute(X::Group, target->group->text());
            UpdateGroupEntry(status, zelDefs(), *target->group, returned, alarmText.toStdString());
        }
        return true;
    });
    queue(message);
}

// What the entry keeps of a handled send: where an activation was raised, or that it could not
// be forwarded for want of a link. A repeat changes neither; a return ends the activation.
void AlarmEvaluation::recordTarget(bool returned)
{
    if (m_sendKind == SendKind::Repeat)
        return;
    removeAttribute(X::NoLink);
    if (returned)
        return;
    if (!m_target) {
        setAttribute(X::NoLink, X::NoLinkSet);
        removeAttribute(X::SentTo);
        return;
    }
    setAttribute(X::SentTo, m_target->zel.text());
    // The group is that of this activation: none now, whatever an earlier one had.
    if (!m_target->group)
        removeAttribute(X::Group);
}

void AlarmEvaluation::sendGroup()
{
    const bool returned = attr(m_current, X::State) == X::Returned;
    queue(ZelMessage::groupAlarm(m_group.location, m_group.alarm, returned,
                                 text(attr(m_current, X::GroupText))));
}

int AlarmEvaluation::repeatMinutes()
{
    if (isAlarm(m_current)) {
        // Members of a group never repeat on their own; their group does.
        return m_target && !m_target->group ? m_target->repeatMinutes : 0;
    }
    const int minutes = groupRepeatMinutes();
    if (minutes > 0 && !GroupHasActiveAlarm(*m_ctx.status.document(), attr(m_current, X::ZelAlarm)))
        return 0;
    return minutes;
}

// A group's stored repeat interval; an empty or absent one is none. A value that is no whole
// number is none as well, and said so, rather than read as far as it goes.
int AlarmEvaluation::groupRepeatMinutes() const
{
    const std::string_view stored = attr(m_current, X::GroupRepeat);
    if (stored.empty())
        return 0;
    if (const std::optional<int> minutes = storedCountValue(stored))
        return *minutes;
    logPo(QStringLiteral("Invalid repeat \"") + text(stored) + QStringLiteral("\" of ") +
          entryName() + QStringLiteral(", not repeated"));
    return 0;
}

MainState AlarmEvaluation::judgeReply()
{
    const ZelLink& link = m_ctx.link;
    const std::optional<QString> reply = link.replyTo(m_sentId);
    if (!reply) {
        if (!m_notAccepted && link.neverWritten(m_sentId))
            return keepPending();
        if (!m_replyWait.passed())
            return MainState::CheckResponse;
        // No answer: ZelMeld may have taken the line, so the change counts as handled; the
        // next examination of this same entry finds nothing left to send.
        logPo(QStringLiteral("No answer from ZelMeld within %1 s: ").arg(m_replyWait.seconds()) +
              entryName());
        recordOutcome(X::ErrorNoReply, false);
        return MainState::CheckAlarms;
    }
    const ZelAnswer answer = classifyZelAnswer(*reply);
    if (answer == ZelAnswer::Accepted) {
        recordOutcome(nullptr, true);
        return MainState::CheckAlarms;
    }
    if (m_attempts >= 3) {
        recordOutcome(X::ErrorNotAccepted, true);
        return MainState::CheckAlarms;
    }
    if (answer == ZelAnswer::Refused) {
        setSendError(X::ErrorRefused);
        m_notAccepted = true;
    }
    return MainState::SendAlarm;
}

StepWait AlarmEvaluation::replyWait() const
{
    const ZelLink& link = m_ctx.link;
    if (link.replyTo(m_sentId) || (!m_notAccepted && link.neverWritten(m_sentId)))
        return StepWait::now();
    return m_replyWait.stepWait();
}

// The edits of the walk. Each runs through the owner, which marks the document changed; the
// helpers below them write on the current entry only from inside such an edit.
void AlarmEvaluation::undoSend()
{
    m_ctx.status.edit([this](XmlDocument& status) {
        m_undo.restore(status.root());
        setErrorFields(X::ErrorNoReply);
        return true;
    });
}

void AlarmEvaluation::setSendError(const char* error)
{
    m_ctx.status.edit([this, error](XmlDocument&) {
        setErrorFields(error);
        return true;
    });
}

void AlarmEvaluation::setRepeat(int minutes)
{
    m_ctx.status.edit([this, minutes](XmlDocument&) {
        setRepeatAt(minutes);
        return true;
    });
}

// The send is handled: its error if any, the sent mark, the next repeat and, for an alarm,
// where it went.
void AlarmEvaluation::recordOutcome(const char* error, bool advance)
{
    if (advance)
        ++m_entryIndex;
    const int minutes = repeatMinutes();
    m_ctx.status.edit([this, error, minutes](XmlDocument&) {
        if (error)
            setErrorFields(error);
        markSent();
        setRepeatAt(minutes);
        if (isAlarm(m_current))
            recordTarget(attr(m_current, X::State) == X::Returned);
        return true;
    });
}

void AlarmEvaluation::setErrorFields(const char* error)
{
    setAttribute(X::Error, error);
    // A group has no start, so it keeps no error date either.
    if (m_current.attribute(X::Start))
        setAttribute(X::ErrDt, std::string(attr(m_current, X::Start)));
    else
        removeAttribute(X::ErrDt);
}

void AlarmEvaluation::markSent()
{
    if (isAlarm(m_current))
        setAttribute(X::Sent, std::string(attr(m_current, X::Start)));
    else
        setAttribute(X::Sent, TimestampText(UtcNow()));
}

void AlarmEvaluation::setRepeatAt(int minutes)
{
    setAttribute(X::RepeatAt,
                 minutes != 0 ? TimestampText(UtcNow() + secondsToDays(minutes * 60.0)) : "");
}

void AlarmEvaluation::setAttribute(const char* name, const std::string& value)
{
    setNodeAttribute(m_current, name, value);
}

void AlarmEvaluation::removeAttribute(const char* name)
{
    m_current.remove_attribute(name);
}
