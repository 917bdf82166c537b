#include "store/DocumentOwner.h"

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

    QCOMPARE(owner.open().outcome, OpenResult::Unreadable);
    QCOMPARE(problems.size(), 1);
    const SaveResult saved = owner.save();
    QVERIFY(!saved);
    QVERIFY(saved.reason.contains(QStringLiteral("left untouched")));
    QVERIFY(QFileInfo(documentPath()).isDir());
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

QTEST_GUILESS_MAIN(TstDocumentOwner)
#include "tst_documentowner.moc"
