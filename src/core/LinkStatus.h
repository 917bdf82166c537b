#pragma once

#include <QObject>

#include <atomic>

// Tells the state machines that the link status changed, so a sleeping main machine shows it
// at once. Emitted on the writer's thread; receivers elsewhere get it queued.
class LinkStatusChanges : public QObject
{
    Q_OBJECT
public:
    static LinkStatusChanges& instance();

Q_SIGNALS:
    void changed();

private:
    friend class LinkStatusValue;
    LinkStatusChanges() = default;
};

// An atomic integer that announces each change of its value; the interface is that of the
// std::atomic<int> it wraps.
class LinkStatusValue
{
public:
    constexpr explicit LinkStatusValue(int value) : m_value(value) {}
    LinkStatusValue(const LinkStatusValue&) = delete;
    LinkStatusValue& operator=(const LinkStatusValue&) = delete;

    int load() const { return m_value.load(); }
    void store(int value)
    {
        if (m_value.exchange(value) != value)
            announce();
    }
    LinkStatusValue& operator=(int value)
    {
        store(value);
        return *this;
    }
    bool compare_exchange_strong(int& expected, int desired)
    {
        const bool exchanged = m_value.compare_exchange_strong(expected, desired);
        if (exchanged && expected != desired)
            announce();
        return exchanged;
    }

private:
    static void announce() { Q_EMIT LinkStatusChanges::instance().changed(); }

    std::atomic<int> m_value;
};

// Process-wide link status, written by the polling worker, the socket events
// and the main state machine: -1 an error has just ended, 0 running,
// 1 office server communication error, 2 ZelMeld link error.
inline LinkStatusValue LinkStatus{0};
