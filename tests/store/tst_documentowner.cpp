#include "store/DocumentOwner.h"

#include "core/Clock.h"
#include "core/Directories.h"
#include "core/Log.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TstDocumentOwner : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void saveFailureIsLoggedOncePerSeries();
    void unreadableFileIsNeverOverwritten();
    void malformedFileIsSetAsideAndReplaced();
    void saveIfDirtyWritesOnlyChanges();
    void failedSaveIsTriedAgainUntilItSucceeds_data();
    void failedSaveIsTriedAgainUntilItSucceeds();
    void onlyAskedForDocumentsRetry();

private:
    QString logText() const;
    QString documentPath() const { return m_root.filePath(QStringLiteral("PoData/Doc.xml")); }
    std::unique_ptr<QTemporaryDir> m_rootDir;
    QDir m_root;
};

void TstDocumentOwner::init()
{
    m_rootDir = std::make_unique<QTemporaryDir>();
    m_root.setPath(m_rootDir->path());
    QVERIFY(m_root.mkpath(QStringLiteral("bin")));
    QVERIFY(m_root.mkpath(QStringLiteral("data")));
    QFile ini(m_root.filePath(QStringLiteral("bin/PO.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Application]\ndatapath=" + m_root.filePath(QStringLiteral("data")).toUtf8() + "\n");
    ini.close();
    resetDirectories(m_root.filePath(QStringLiteral("bin")));
    Log::instance().setFileName(m_root.filePath(QStringLiteral("data/ZELPO.LOG")));
}

void TstDocumentOwner::cleanup()
{
    resetDirectories();
    m_rootDir.reset();
}

QString TstDocumentOwner::logText() const
{
    QFile log(m_root.filePath(QStringLiteral("data/ZELPO.LOG")));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

// A save that keeps failing is said once; after a success the next failure is said again.
void TstDocumentOwner::saveFailureIsLoggedOncePerSeries()
{
    DocumentOwner owner("Doc.xml", "Root");
    owner.setSaveFailureLog(QStringLiteral("Error writing status"), LogPoList);
    QSignalSpy problems(&owner, &DocumentOwner::problem);
    QSignalSpy solved(&owner, &DocumentOwner::problemSolved);
    QCOMPARE(owner.open().outcome, OpenResult::Created);
    QVERIFY(QDir().mkpath(documentPath())); // a directory where the file should go

    QVERIFY(!owner.save());
    const SaveResult again = owner.save();
    QVERIFY(!again);
    QVERIFY(!again.reason.isEmpty());
    QCOMPARE(logText().count(QStringLiteral("Error writing status")), 1);
    QCOMPARE(problems.size(), 1);

    QCOMPARE(solved.size(), 0);
    QVERIFY(QDir().rmdir(documentPath()));
    QVERIFY(owner.save());
    QCOMPARE(solved.size(), 1); // the status bar lets go of it
    QCOMPARE(solved.first().first(), problems.first().first());
    QVERIFY(owner.save());
    QCOMPARE(solved.size(), 1);
    QVERIFY(QFile::remove(documentPath()));
    QVERIFY(QDir().mkpath(documentPath()));
    QVERIFY(!owner.save());
    QCOMPARE(logText().count(QStringLiteral("Error writing status")), 2);
}

// What cannot be read is not replaced by what the program has in memory.
void TstDocumentOwner::unreadableFileIsNeverOverwritten()
{
    QVERIFY(QDir().mkpath(documentPath()));
    QVERIFY(QFile::exists(documentPath()));
    DocumentOwner owner("Doc.xml", "Root");
    QSignalSpy problems(&owner, &DocumentOwner::problem);

    owner.retryFailedSaves();
    QCOMPARE(owner.open().outcome, OpenResult::Unreadable);
    QCOMPARE(problems.size(), 1);
    const SaveResult saved = owner.save();
    QVERIFY(!saved);
    QVERIFY(saved.reason.contains(QStringLiteral("left untouched")));
    QVERIFY(QFileInfo(documentPath()).isDir());
    QVERIFY(!owner.saveRetryPending()); // no retry may write over it either
}

void TstDocumentOwner::malformedFileIsSetAsideAndReplaced()
{
    QVERIFY(QDir().mkpath(QFileInfo(documentPath()).path()));
    QFile file(documentPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<Root><a></Root>");
    file.close();
    DocumentOwner owner("Doc.xml", "Root");
    QSignalSpy problems(&owner, &DocumentOwner::problem);

    const OpenResult opened = owner.open();
    QCOMPARE(opened.outcome, OpenResult::Malformed);
    QCOMPARE(problems.size(), 1);
    QVERIFY(owner.document()->hasContent());
    QCOMPARE(owner.document()->root().name(), "Root");
    const QStringList aside =
        QDir(QFileInfo(documentPath()).path()).entryList({QStringLiteral("Doc.xml.*.unreadable")});
    QCOMPARE(aside.size(), 1);
    QVERIFY(opened.reason.contains(aside.first()));
    QVERIFY(logText().contains(aside.first()));
    QVERIFY(!QFile::exists(documentPath())); // nothing written until a save
    QVERIFY(owner.save());
    QVERIFY(QFile::exists(documentPath()));
}

void TstDocumentOwner::saveIfDirtyWritesOnlyChanges()
{
    DocumentOwner owner("Doc.xml", "Root");
    QVERIFY(owner.open());
    QVERIFY(owner.saveIfDirty());
    QVERIFY(!QFile::exists(documentPath()));
    QVERIFY(owner.edit([](XmlDocument& doc) { return bool(doc.root().append_child("Entry")); }));
    QVERIFY(owner.saveIfDirty());
    QVERIFY(!owner.isDirty());
    QVERIFY(QFile::exists(documentPath()));

    QVERIFY(owner.edit([](XmlDocument& doc) { return bool(doc.root().append_child("Unsaved")); }));
    QVERIFY(owner.reload());
    QVERIFY(!owner.isDirty());
    QVERIFY(!owner.document()->root().child("Unsaved"));
    QVERIFY(owner.document()->root().child("Entry"));
}

void TstDocumentOwner::failedSaveIsTriedAgainUntilItSucceeds_data()
{
    QTest::addColumn<bool>("byLaterEdit"); // else by the retry itself
    QTest::newRow("saved by the retry") << false;
    QTest::newRow("saved by a later edit") << true;
}

// An edit whose save failed (the folder refused it) is not left in memory only: it is tried
// again after 2 s, then at doubling waits up to a minute, and reaches the disk once it can,
// by a retry or by the save of a later edit; the problem then leaves the status bar.
void TstDocumentOwner::failedSaveIsTriedAgainUntilItSucceeds()
{
    QFETCH(bool, byLaterEdit);
    ManualClock clock(QDateTime(QDate(2026, 12, 11), QTime(9, 0), Qt::UTC));
    ScopedClock installed(&clock);
    DocumentOwner owner("Doc.xml", "Root");
    owner.retryFailedSaves();
    QSignalSpy problems(&owner, &DocumentOwner::problem);
    QSignalSpy solved(&owner, &DocumentOwner::problemSolved);
    QSignalSpy saved(&owner, &DocumentOwner::saved);
    QVERIFY(owner.open());
    QVERIFY(QDir().mkpath(documentPath())); // a directory where the file should go
    QVERIFY(owner.edit([](XmlDocument& doc) { return bool(doc.root().append_child("Edit")); }));
    QVERIFY(!owner.save());
    QVERIFY(owner.isDirty());
    QVERIFY(owner.saveRetryPending());
    QCOMPARE(problems.size(), 1);

    // While the folder still refuses, each retry fails and the next one waits twice as long.
    QSignalSpy retried(&owner, &DocumentOwner::saveRetried);
    QList<int> waits;
    for (int attempt = 0; attempt < 7; ++attempt) {
        const int wait = owner.saveRetrySeconds();
        waits << wait;
        clock.advanceMs(qint64(wait) * 1000 - 1);
        QVERIFY(!retried.wait(50)); // not before its time
        clock.advanceMs(1);
        QVERIFY(retried.wait(5000));
        QCOMPARE(retried.size(), attempt + 1);
        QCOMPARE(retried.last().first().toBool(), false);
        QVERIFY(owner.saveRetryPending());
    }
    QCOMPARE(waits, (QList<int>{2, 4, 8, 16, 32, 60, 60}));
    QCOMPARE(problems.size(), 1); // said once for the whole series
    QCOMPARE(saved.size(), 0);

    QVERIFY(QDir().rmdir(documentPath()));
    if (byLaterEdit) {
        QVERIFY(
            owner.edit([](XmlDocument& doc) { return bool(doc.root().append_child("Later")); }));
        QVERIFY(owner.save());
    } else {
        clock.advanceSeconds(60);
        QVERIFY(saved.wait(5000));
    }
    QCOMPARE(saved.size(), 1);
    QCOMPARE(retried.size(), byLaterEdit ? 7 : 8);
    QCOMPARE(retried.last().first().toBool(), !byLaterEdit);
    QVERIFY(!owner.isDirty());
    QVERIFY(!owner.saveRetryPending());
    QCOMPARE(owner.saveRetrySeconds(), 2); // a new failure starts over
    QCOMPARE(solved.size(), 1);
    QCOMPARE(solved.first().first(), problems.first().first());
    DocumentOwner disk("Doc.xml", "Root");
    QVERIFY(disk.open());
    QVERIFY(disk.document()->root().child("Edit"));
    QCOMPARE(bool(disk.document()->root().child("Later")), byLaterEdit);

    // Nothing further is written once it is saved.
    clock.advanceSeconds(120);
    QVERIFY(!saved.wait(100));
}

// The alarm status has save spacing rules of its own; its owner does not retry by itself.
void TstDocumentOwner::onlyAskedForDocumentsRetry()
{
    ManualClock clock(QDateTime(QDate(2026, 12, 11), QTime(9, 0), Qt::UTC));
    ScopedClock installed(&clock);
    DocumentOwner owner("Doc.xml", "Root");
    QSignalSpy saved(&owner, &DocumentOwner::saved);
    QVERIFY(owner.open());
    QVERIFY(QDir().mkpath(documentPath()));
    QVERIFY(owner.edit([](XmlDocument& doc) { return bool(doc.root().append_child("Edit")); }));
    QVERIFY(!owner.save());
    QVERIFY(!owner.saveRetryPending());
    QVERIFY(QDir().rmdir(documentPath()));
    clock.advanceSeconds(120);
    QVERIFY(!saved.wait(100));
    QVERIFY(owner.isDirty());
    QVERIFY(!QFile::exists(documentPath()));
}

QTEST_GUILESS_MAIN(TstDocumentOwner)
#include "tst_documentowner.moc"
