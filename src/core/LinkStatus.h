#pragma once

#include <QObject>

#include <atomic>

// The state of the two links. The numbers are those the status display and the log use.
enum class LinkState : int
{
    ErrorEnded = -1,  // an error has just ended; shown as running at the next idle step
    Running = 0,      // both links work
    OfficeError = 1,  // the office server could not be reached
    ZelMeldError = 2, // the ZelMeld link failed and has not answered since
};

// An error of either link is showing: a finished office request then counts as failed.
constexpr bool isLinkError(LinkState state)
{
    return state == LinkState::OfficeError || state == LinkState::ZelMeldError;
}

// Announces each change of the link status. Emitted on the writer's thread (the office worker,
// or the GUI thread); receivers on other threads get it queued.
class LinkStatusChanges : public QObject
{
    Q_OBJECT
public:
    static LinkStatusChanges& instance();

Q_SIGNALS:
    void changed(LinkState state);

private:
    friend class LinkStatusValue;
    LinkStatusChanges() = default;
};

// The process-wide link status: the office worker, the ZelMeld link and the main state machine
// all write it, so it is atomic, and every change goes through set or replace, which announce
// it. Nothing else can write it.
class LinkStatusValue
{
public:
    constexpr explicit LinkStatusValue(LinkState state) : m_value(state) {}
    LinkStatusValue(const LinkStatusValue&) = delete;
    LinkStatusValue& operator=(const LinkStatusValue&) = delete;

    LinkState load() const { return m_value.load(); }
    void set(LinkState state)
    {
        if (m_value.exchange(state) != state)
            announce(state);
    }
    // Changes the status only while it is expected; true when it did.
    bool replace(LinkState expected, LinkState desired)
    {
        const bool exchanged = m_value.compare_exchange_strong(expected, desired);
        if (exchanged && expected != desired)
            announce(desired);
        return exchanged;
    }

private:
    static void announce(LinkState state) { Q_EMIT LinkStatusChanges::instance().changed(state); }

    std::atomic<LinkState> m_value;
};

inline LinkStatusValue LinkStatus{LinkState::Running};
