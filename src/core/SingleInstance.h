#pragma once

#include <QString>

#include <memory>

// Guards against a second running copy of the program. The guard is held for
// the life of the object (the process, in practice).
class SingleInstance
{
public:
    explicit SingleInstance(const QString& name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when another instance holds the guard.
    bool anotherInstanceRuns() const { return m_anotherRuns; }
    // True when this object holds the guard; false beside another instance and when the
    // guard could not be created at all.
    bool holdsGuard() const;

#ifdef Q_OS_WIN
    // True while some process holds the guard of this name (asked without taking it).
    static bool isHeld(const QString& name);
#endif

    // The local socket name that belongs to the guard of this name: the same scope (this
    // user, this lock), so a second start reaches exactly the instance that blocks it.
    static QString localServerName(const QString& name);

private:
    struct Handle;
    std::unique_ptr<Handle> m_handle;
    bool m_anotherRuns = false;
};

inline const QString kSingleInstanceName = QStringLiteral("ZELPO_ACTIVE_SEMAPHORE");
// Held by the window-less service besides the guard above, so that a window started while
// it runs can tell the operator why it does not open.
inline const QString kServiceGuardName = QStringLiteral("ZELPO_SERVICE_ACTIVE");
