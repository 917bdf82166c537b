#pragma once

#include <QString>

// The outcome of a write: success, or the reason it failed in words fit for the log.
class [[nodiscard]] WriteResult
{
public:
    static WriteResult success() { return WriteResult(QString()); }
    // An empty reason still counts as a failure.
    static WriteResult failure(const QString& reason)
    {
        return WriteResult(reason.isEmpty() ? QStringLiteral("unknown failure") : reason);
    }

    bool ok() const { return m_reason.isEmpty(); }
    explicit operator bool() const { return ok(); }
    // Empty on success.
    const QString& reason() const { return m_reason; }

private:
    explicit WriteResult(const QString& reason) : m_reason(reason) {}

    QString m_reason;
};
