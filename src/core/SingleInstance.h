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
    // The application name of the instance that holds the guard, as it was when that instance
    // took it; empty when unknown (or on a platform whose guard does not record it).
    QString holderName() const;

private:
    struct Handle;
    std::unique_ptr<Handle> m_handle;
    bool m_anotherRuns = false;
};

inline const QString kSingleInstanceName = QStringLiteral("ZELPO_ACTIVE_SEMAPHORE");
// The application name the window-less service runs under, so that a window started beside it
// can tell the operator why it does not open (holderName()).
inline const QString kServiceInstanceName = QStringLiteral("ZelPO service");
