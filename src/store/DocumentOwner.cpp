#include "DocumentOwner.h"

#include "core/BackoffRetry.h"
#include "core/Clock.h"
#include "core/Directories.h"
#include "core/Log.h"

#include <QFile>

#include <utility>

DocumentOwner::DocumentOwner(const char* fileName, const char* rootName, QObject* parent)
    : QObject(parent), m_fileName(fileName), m_rootName(rootName),
      m_saveFailureText(QStringLiteral("Cannot save ") + QLatin1String(fileName))
{
}

DocumentOwner::~DocumentOwner() = default;

QString DocumentOwner::path() const
{
    return PoDataDirectory() + u'/' + QLatin1String(m_fileName);
}

OpenResult DocumentOwner::open()
{
    ++m_revision;
    const QString file = path();
    OpenResult result = OpenXmlDocument(m_handle, file, m_rootName);
    if (result.outcome == OpenResult::Loaded || result.outcome == OpenResult::Created)
        m_saveBlocked.clear();
    if (result.outcome != OpenResult::Kept)
        m_fromFile = result.outcome == OpenResult::Loaded;
    switch (result.outcome) {
    case OpenResult::Loaded:
    case OpenResult::Created:
    case OpenResult::Kept:
        return result;
    case OpenResult::WrongRoot:
        // The content stays open as it is, but nothing in it will be found.
        report(file + QStringLiteral(" is not usable: ") + result.reason, LogPoList);
        return result;
    case OpenResult::Unreadable:
    case OpenResult::Malformed:
        break;
    }
    return recover(result);
}

// A file that cannot be read is moved out of the way, so that the program can go on from an
// empty document without ever writing over what may still be rescued by hand.
OpenResult DocumentOwner::recover(const OpenResult& failed)
{
    const QString file = path();
    QString moveProblem;
    const QString aside =
        failed.outcome == OpenResult::Malformed ? setAside(moveProblem) : QString();
    if (aside.isEmpty()) {
        m_saveBlocked = file + QStringLiteral(" cannot be read (") + failed.reason +
                        QStringLiteral(") and is left untouched");
        if (!moveProblem.isEmpty())
            m_saveBlocked += QStringLiteral("; it could not be set aside: ") + moveProblem;
        report(m_saveBlocked, LogPoList);
        return failed;
    }
    report(file + QStringLiteral(" cannot be read (") + failed.reason +
               QStringLiteral("); kept as ") + aside +
               QStringLiteral(", going on with an empty document"),
           LogPoList);
    OpenResult reopened = OpenXmlDocument(m_handle, file, m_rootName);
    if (reopened.ok())
        m_saveBlocked.clear();
    m_dirty = false;
    return {failed.outcome, failed.reason + QStringLiteral("; kept as ") + aside};
}

// The new name, empty when the file could not be renamed (reason then says why).
QString DocumentOwner::setAside(QString& reason)
{
    const QString file = path();
    const QString stamp = currentLocalDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = file + u'.' + stamp + QStringLiteral(".unreadable");
    for (int n = 2; QFile::exists(aside); ++n)
        aside = file + u'.' + stamp + u'-' + QString::number(n) + QStringLiteral(".unreadable");
    QFile source(file);
    if (!source.rename(aside)) {
        reason = source.errorString();
        return {};
    }
    return aside;
}

OpenResult DocumentOwner::reload()
{
    if (m_handle)
        m_handle->clear();
    m_dirty = false;
    return open();
}

void DocumentOwner::adopt(XmlDocumentHandle document, bool written)
{
    m_handle = std::move(document);
    markDirty();
    Q_EMIT changed();
    if (!written)
        return;
    // What the file holds now, as an open would have read it.
    m_fromFile = true;
    noteSaved();
}

// The content is on disk: nothing is left to retry, and a save failure shown no longer holds.
void DocumentOwner::noteSaved()
{
    m_dirty = false;
    if (m_retry)
        m_retry->succeeded();
    if (!m_saveFailure.isEmpty())
        Q_EMIT problemSolved(std::exchange(m_saveFailure, QString()));
    Q_EMIT saved();
}

void DocumentOwner::setSaveFailureLog(const QString& text, LogTarget target)
{
    m_saveFailureText = text;
    m_saveFailureTarget = target;
}

void DocumentOwner::retryFailedSaves()
{
    if (m_retry)
        return;
    m_retry = std::make_unique<BackoffRetry>([this] { return save().ok(); }, FirstRetrySeconds,
                                             LongestRetrySeconds);
    connect(m_retry.get(), &BackoffRetry::attempted, this, &DocumentOwner::saveRetried);
}

bool DocumentOwner::saveRetryPending() const
{
    return m_retry && m_retry->pending();
}

int DocumentOwner::saveRetrySeconds() const
{
    return m_retry ? m_retry->intervalSeconds() : 0;
}

SaveResult DocumentOwner::save()
{
    SaveResult result = m_saveBlocked.isEmpty()
                            ? SaveXmlDocument(m_handle, path())
                            : SaveResult{QStringLiteral("not saved: ") + m_saveBlocked};
    if (result.ok()) {
        noteSaved();
        return result;
    }
    if (m_saveFailure.isEmpty()) {
        m_saveFailure = m_saveFailureText + QStringLiteral(": ") + result.reason;
        report(m_saveFailure, m_saveFailureTarget);
    }
    // A file that must be left untouched stays so until it is opened again.
    if (m_retry && m_saveBlocked.isEmpty())
        m_retry->failed();
    return result;
}

SaveResult DocumentOwner::saveIfDirty()
{
    if (!m_dirty)
        return {};
    return save();
}

void DocumentOwner::report(const QString& text, LogTarget target)
{
    LogMessage(text, target);
    Q_EMIT problem(text);
}
