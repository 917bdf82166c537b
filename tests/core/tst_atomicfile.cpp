#include "TestFiles.h"

#include "core/AtomicFile.h"
#include "core/DurableReplace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// A document save: the whole new file or the whole old one, and once the save has succeeded,
// the new one for good.
class TstAtomicFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void replaceLeavesOnlyTheNewFile();
    void failureSaysWhy();
    void folderSync_data();
    void folderSync();
};

void TstAtomicFile::replaceLeavesOnlyTheNewFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("AlarmStatus.xml"));
    QVERIFY(writeFileAtomically(path, "old").ok());
    const WriteResult replaced = writeFileAtomically(path, "new and longer");
    QVERIFY2(replaced.ok(), qPrintable(replaced.reason()));

    QCOMPARE(readFile(path), QByteArray("new and longer"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("AlarmStatus.xml")});
}

void TstAtomicFile::failureSaysWhy()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/AlarmStatus.xml"));
    const WriteResult result = writeFileAtomically(path, "x");
    QVERIFY(!result.ok());
    QVERIFY2(result.reason().contains(path), qPrintable(result.reason()));
}

void TstAtomicFile::folderSync_data()
{
    QTest::addColumn<QString>("subFolder");
    QTest::addColumn<bool>("ok");
    QTest::newRow("folder of the file") << QString() << true;
    QTest::newRow("folder gone") << QStringLiteral("gone") << false;
}

// The rename is made durable by syncing the folder that holds the name; a folder that cannot
// be synced is a failed save, said with the folder's path.
void TstAtomicFile::folderSync()
{
#ifdef Q_OS_WIN
    QSKIP("Windows replaces with a write-through move instead of syncing the folder");
#else
    QFETCH(QString, subFolder);
    QFETCH(bool, ok);
    QTemporaryDir dir;
    const QString folder = subFolder.isEmpty() ? dir.path() : dir.filePath(subFolder);
    const WriteResult synced = syncDirectoryOf(folder + QStringLiteral("/AlarmStatus.xml"));
    QCOMPARE(synced.ok(), ok);
    if (!ok)
        QVERIFY2(synced.reason().contains(folder), qPrintable(synced.reason()));
#endif
}

QTEST_GUILESS_MAIN(TstAtomicFile)
#include "tst_atomicfile.moc"
