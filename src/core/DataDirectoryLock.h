#pragma once

#include <QLockFile>
#include <QString>

// Only one process may forward for a data directory: two would both poll the office server and
// both write the documents, and one marks handled what the other just linked. The per-user guard
// does not see a process of another account (or another runtime directory) that shares the data
// directory through its datapath, so this lock lives beside the documents themselves.
class DataDirectoryLock
{
public:
    explicit DataDirectoryLock(const QString& dataDirectory);
    DataDirectoryLock(const DataDirectoryLock&) = delete;
    DataDirectoryLock& operator=(const DataDirectoryLock&) = delete;

    bool holds() const { return m_lock.isLocked(); }
    // True when a live process holds the lock: this one must not forward.
    bool heldByAnother() const { return m_heldByAnother; }
    // Who holds it, for the refusal ("process 1234 on host"), when heldByAnother().
    QString holder() const { return m_holder; }
    // Why the lock could not be taken at all (a missing or read-only directory): the program
    // then runs without it, as it did before, and says so.
    QString problem() const { return m_problem; }

    static QString fileName(const QString& dataDirectory);

private:
    QLockFile m_lock;
    bool m_heldByAnother = false;
    QString m_holder;
    QString m_problem;
};
