#pragma once

#include "XmlDocument.h"

#include "core/Log.h"

#include <QObject>
#include <QString>

#include <memory>

class BackoffRetry;

// The one owner of a shared document: the instance, whether it holds changes not yet on disk,
// and its open and save with their failures reported. The engine and the editor pages share
// it; everything happens on the thread that owns it (the GUI thread).
//
// A file that cannot be parsed is never overwritten: it is renamed aside with a time stamp
// before anything is saved, and the document starts empty, said on the log and through
// problem(). A save failure is logged once until a save succeeds again.
//
// For the documents the operator edits, a failed save is tried again on a short back-off
// until it succeeds (retryFailedSaves()), so that an edit made while the folder could not be
// written reaches the disk once it can.
class DocumentOwner : public QObject
{
    Q_OBJECT
public:
    // The back-off of the retried saves: the first wait, doubled after each failure up to the
    // longest.
    static constexpr int FirstRetrySeconds = 2;
    static constexpr int LongestRetrySeconds = 60;

    // fileName: the file in the office data directory; rootName: its root element.
    DocumentOwner(const char* fileName, const char* rootName, QObject* parent = nullptr);
    ~DocumentOwner() override;

    // The file's path, computed at every call (the directory is created when missing).
    QString path() const;
    QString fileName() const { return QLatin1String(m_fileName); }

    // The instance to read, or nullptr before the first open. Changes go through edit().
    const XmlDocument* document() const { return m_handle.get(); }

    // Runs change(XmlDocument&) on the open document; change returns whether it changed the
    // content. A change is marked (so that copies know they are out of date) and told by
    // changed(). False, and change is not run, while nothing is open.
    template <typename Change> bool edit(Change&& change)
    {
        XmlDocument* document = m_handle.get();
        if (!document || !change(*document))
            return false;
        markDirty();
        Q_EMIT changed();
        return true;
    }

    // Opens as OpenXmlDocument does; a malformed file is set aside and an empty document takes
    // its place. Failures are logged here; the result tells the caller what happened.
    OpenResult open();
    // Whether the content is what the last open read from the file (or kept from an earlier
    // read): false before the first open and after a file that was missing, could not be read
    // or parsed, or has another root. Checks against the content mean nothing otherwise.
    bool holdsFileContent() const { return m_fromFile; }
    // Discards the content and opens the file again; unsaved changes are lost.
    OpenResult reload();
    // Takes another instance (an import merged on a worker) as the content, told as an edit.
    // written: it was written to this document's file just now, so nothing is left unsaved,
    // which is told as a save.
    void adopt(XmlDocumentHandle document, bool written);

    // Grows with every edit, open, reload and adopt of the content.
    quint64 revision() const { return m_revision; }
    bool isDirty() const { return m_dirty; }
    // Writes the document now; a failure is logged the first time in a series.
    SaveResult save();
    // Writes only when there are changes not yet on disk.
    SaveResult saveIfDirty();

    // Where a save failure is logged: the text put before the reason and the log target.
    void setSaveFailureLog(const QString& text, LogTarget target);

    // From now on a failed save is tried again after FirstRetrySeconds, then at doubling
    // intervals, until a save succeeds. Not while the file on disk must be left untouched.
    void retryFailedSaves();
    // A retry is due; its wait in seconds.
    bool saveRetryPending() const;
    int saveRetrySeconds() const;

Q_SIGNALS:
    // An edit changed the content.
    void changed();
    // Something the operator must know about this document (for the status bar).
    void problem(const QString& text);
    // A save succeeded after the failure reported with this text: it no longer holds.
    void problemSolved(const QString& text);
    // The document was written to its file.
    void saved();
    // A failed save was tried again by the retry (see retryFailedSaves()).
    void saveRetried(bool saved);

private:
    // Every change of the content is marked, so that copies made of it (a look-up index) know
    // they are out of date.
    void markDirty()
    {
        m_dirty = true;
        ++m_revision;
    }
    OpenResult recover(const OpenResult& failed);
    void noteSaved();
    QString setAside(QString& reason);
    void report(const QString& text, LogTarget target);

    const char* m_fileName;
    const char* m_rootName;
    XmlDocumentHandle m_handle;
    bool m_dirty = false;
    bool m_fromFile = false;
    quint64 m_revision = 0;
    // Set while the file on disk could not be read nor moved aside: saving would destroy it.
    QString m_saveBlocked;
    // The text of the save failure reported last, until a save succeeds again.
    QString m_saveFailure;
    QString m_saveFailureText;
    LogTarget m_saveFailureTarget = LogFileOnly;
    std::unique_ptr<BackoffRetry> m_retry;
};
