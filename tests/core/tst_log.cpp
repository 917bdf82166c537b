#include "TestFiles.h"
#include "core/Clock.h"
#include "core/Directories.h"
#include "core/Log.h"
#include "core/TextFile.h"
#include "core/Trace.h"
#include "core/Windows1252.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <optional>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kRollOverSize = 10485760;

// A local moment away from any daylight-saving change.
const QDateTime kLocalNow(QDate(2026, 12, 8), QTime(23, 11, 27, 400), Qt::LocalTime);

QString shortDateText(const QDate& date)
{
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

// The whole file line of a message logged at local.
QByteArray frameAt(const QDateTime& local, const QString& message)
{
    return (u'<' + shortDateText(local.date()) + u"><" + longTimeText(local.time()) + u"><" +
            message + u">\r\n")
        .toUtf8();
}

QByteArray frameAtNow(const QString& message)
{
    return frameAt(kLocalNow, message);
}

// Records where and what the list lines arrive, then announces each one.
class ListReceiver : public QObject
{
    Q_OBJECT
public:
    void take(int target, const QString& line)
    {
        threads.append(QThread::currentThread());
        targets.append(target);
        lines.append(line);
        Q_EMIT taken();
    }

    QList<QThread*> threads;
    QList<int> targets;
    QStringList lines;

Q_SIGNALS:
    void taken();
};

} // namespace

class TstLog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void textFileWrite_data();
    void textFileWrite();
    void textFileHeldOpenAppendsAndFlushes();
    void textFileWithoutNameDoesNothing();
    void textFileOpenFailureThrows();
    void textFileClearAndGetSize();

    void frame();
    void controlCharactersEscaped_data();
    void controlCharactersEscaped();
    void noControlByteReachesTheFile();
    void targets_data();
    void targets();
    void fileFailureIgnored();
    void rawLine();
    void rollOver_data();
    void rollOver();
    void failedRollOverKeepsTheLog();
    void linesOfThisRunCountForTheRollOver();
    void listLineFromWorkerIsQueued();
    void concurrentMessagesKeepWholeLines();

    void traceOff();
    void traceOn();
    void traceMissingDirectoryThrows();

private:
    QString logPath() const { return m_dir->filePath(QStringLiteral("ZELPO.LOG")); }
    QString oldLogPath() const { return m_dir->filePath(QStringLiteral("OLDPO.log")); }
    QString usePoDataDirectory();

    std::optional<QTemporaryDir> m_dir;
    std::optional<ManualClock> m_clock;
    std::optional<ScopedClock> m_scopedClock;
};

void TstLog::init()
{
    m_dir.emplace();
    QVERIFY(m_dir->isValid());
    m_clock.emplace(kLocalNow.toUTC());
    m_scopedClock.emplace(&*m_clock);
    Log::instance().setFileName(logPath());
    TraceEnabled = false;
}

void TstLog::cleanup()
{
    TraceEnabled = false;
    Log::instance().setFileName(QString());
    m_scopedClock.reset();
    m_clock.reset();
    m_dir.reset();
}

// A PO.ini beside a program directory points the data directory into the temporary
// directory; the office data then lies in its "PoData" sibling.
QString TstLog::usePoDataDirectory()
{
    const QString programDir = m_dir->filePath(QStringLiteral("program"));
    const QString dataDir = m_dir->filePath(QStringLiteral("data"));
    if (!QDir().mkpath(programDir) || !QDir().mkpath(dataDir)) {
        return QString();
    }
    QFile ini(QDir(programDir).filePath(QStringLiteral("PO.ini")));
    if (!ini.open(QIODevice::WriteOnly)) {
        return QString();
    }
    ini.write((u"[Application]\r\ndatapath=" + dataDir + u"\r\n").toUtf8());
    ini.close();
    resetDirectories(programDir);
    return m_dir->filePath(QStringLiteral("PoData"));
}

// "{t}" in expected stands for the time of day and ";" that TimeStamp adds.
void TstLog::textFileWrite_data()
{
    QTest::addColumn<bool>("timeStamp");
    QTest::addColumn<bool>("autoLineFeed");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char* name, bool timeStamp, bool autoLineFeed,
                        const QStringList& texts, const QString& expected) {
        QTest::newRow(name) << timeStamp << autoLineFeed << texts << expected;
    };
    row("plain: written unchanged", false, false, {u"a"_s, u"b\r\n"_s, u"c\r"_s, u"d"_s},
        u"ab\r\nc\rd"_s);
    row("plain: UTF-8", false, false, {u"Störung ä€"_s}, u"Störung ä€"_s);
    row("bare CR, no auto LF", false, false, {u"50%\r"_s, u"60%"_s}, u"50%\r60%"_s);
    row("bare CR, auto LF", false, true, {u"50%\r"_s, u"60%"_s}, u"50%\r\n60%"_s);
    row("auto LF once only", false, true, {u"a\r"_s, u"b"_s, u"c"_s}, u"a\r\nbc"_s);
    row("CR inside text, auto LF", false, true, {u"a\rb"_s, u"c"_s}, u"a\rb\nc"_s);
    row("pending CR survives a LF text", false, true, {u"a\r"_s, u"b\n"_s, u"c"_s}, u"a\rb\n\nc"_s);
    row("CRLF leaves a pending CR", false, true, {u"a\r\n"_s, u"b"_s}, u"a\r\n\nb"_s);
    row("stamp per line", true, false, {u"a"_s, u"b\r\n"_s, u"c\r\n"_s}, u"{t}ab\r\n{t}c\r\n"_s);
    row("stamp after bare LF", true, false, {u"a\n"_s, u"b"_s}, u"{t}a\n{t}b"_s);
    row("no stamp after bare CR", true, false, {u"a\r"_s, u"b"_s}, u"{t}a\rb"_s);
    row("stamp with auto LF", true, true, {u"50%\r"_s, u"60%"_s}, u"{t}50%\r\n{t}60%"_s);
    row("stamp and LF after CRLF", true, true, {u"a\r\n"_s, u"b"_s}, u"{t}a\r\n{t}\n{t}b"_s);
}

void TstLog::textFileWrite()
{
    QFETCH(bool, timeStamp);
    QFETCH(bool, autoLineFeed);
    QFETCH(QStringList, texts);
    QFETCH(QString, expected);

    TTextFile file;
    file.setFileName(m_dir->filePath(QStringLiteral("out.txt")));
    file.setTimeStamp(timeStamp);
    file.setAutoLineFeed(autoLineFeed);
    for (const QString& text : texts) {
        file.Write(text);
    }
    QVERIFY(!file.FileOpen());
    const QString stamp = longTimeText(kLocalNow.time()) + u';';
    QCOMPARE(QString::fromUtf8(readFile(file.FileName())), expected.replace(u"{t}"_s, stamp));
}

void TstLog::textFileHeldOpenAppendsAndFlushes()
{
    const QString path = m_dir->filePath(QStringLiteral("held.txt"));
    QVERIFY(writeFile(path, "old\r\n"));
    TTextFile file;
    file.setFileName(path);
    file.setFileOpen(true);
    QVERIFY(file.FileOpen());
    file.WriteLine(u"new"_s);
    QVERIFY(file.FileOpen());
    QCOMPARE(readFile(path), QByteArray("old\r\nnew\r\n"));
    QCOMPARE(file.GetSize(), qint64(10));
    QVERIFY(file.FileOpen());
    file.Write(u"x"_s);
    file.setFileOpen(false);
    QVERIFY(!file.FileOpen());
    QCOMPARE(readFile(path), QByteArray("old\r\nnew\r\nx"));
}

void TstLog::textFileWithoutNameDoesNothing()
{
    TTextFile file;
    file.setFileOpen(true);
    QVERIFY(!file.FileOpen());
    file.Write(u"lost"_s);
    file.Clear();
    QCOMPARE(file.GetSize(), qint64(0));
    QVERIFY(QDir(m_dir->path()).isEmpty());
}

void TstLog::textFileOpenFailureThrows()
{
    TTextFile file;
    file.setFileName(m_dir->filePath(QStringLiteral("missing/out.txt")));
    QVERIFY_THROWS_EXCEPTION(TextFileError, file.setFileOpen(true));
    QVERIFY(!file.FileOpen());
    QVERIFY_THROWS_EXCEPTION(TextFileError, file.Write(u"x"_s));
    QVERIFY(!file.FileOpen());
}

void TstLog::textFileClearAndGetSize()
{
    const QString path = m_dir->filePath(QStringLiteral("sized.txt"));
    TTextFile file;
    file.setFileName(path);
    QCOMPARE(file.GetSize(), qint64(0));
    QVERIFY(!QFile::exists(path));

    file.Write(u"ä\r\n"_s);
    QCOMPARE(file.GetSize(), qint64(4));
    file.Clear();
    QVERIFY(!file.FileOpen());
    QCOMPARE(readFile(path), QByteArray());
    QVERIFY(QFile::exists(path));
    QCOMPARE(file.GetSize(), qint64(0));

    file.setFileOpen(true);
    file.Write(u"abc"_s);
    file.Clear();
    QVERIFY(file.FileOpen());
    file.Write(u"d"_s);
    file.setFileOpen(false);
    QCOMPARE(readFile(path), QByteArray("d"));
}

// Frame characters inside a message stay as they are; line breaks become escapes, so each
// message is one line of the file.
void TstLog::frame()
{
    LogMessage(u"<tmmMain, state:8><sub 5>\r\nsecond line\nthird > end"_s);
    m_clock->advanceSeconds(61);
    LogMessage(u"next"_s, LogPoList);

    const QDateTime later = kLocalNow.addSecs(61);
    const QByteArray nextLine =
        (u'<' + shortDateText(later.date()) + u"><" + longTimeText(later.time()) + u"><next>\r\n")
            .toUtf8();
    QCOMPARE(readFile(logPath()),
             frameAtNow(u"<tmmMain, state:8><sub 5>\\r\\nsecond line\\nthird > end"_s) + nextLine);
}

void TstLog::controlCharactersEscaped_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("written");

    const auto row = [](const char* name, const QString& message, const QString& written) {
        QTest::newRow(name) << message << written;
    };
    row("NUL", u"Recv: a"_s + QChar(0) + u'b', u"Recv: a\\x00b"_s);
    row("line ends and tab by name", u"a\r\nb\tc"_s, u"a\\r\\nb\\tc"_s);
    row("other C0", u"\x01\x1b[2J\x1f"_s, u"\\x01\\x1B[2J\\x1F"_s);
    row("DEL", u"x\x7f"_s, u"x\\x7F"_s);
    row("C1", u"\u0080\u009b\u009f"_s, u"\\x80\\x9B\\x9F"_s);
    row("undefined code-page bytes from the wire",
        u"Recv: "_s + fromWindows1252(QByteArrayView("\x00\x81\x9D\xFF\x80", 5)),
        u"Recv: \\x00\\x81\\x9D\u00FF\u20AC"_s);
    row("no-break space and letters stay", u"\u00A0Zo\u00EB \u20AC"_s, u"\u00A0Zo\u00EB \u20AC"_s);
    row("backslashes stay", u"c:\\zel\\data\\n"_s, u"c:\\zel\\data\\n"_s);
    row("only control characters", u"\r"_s, u"\\r"_s);
}

// The same escapes in the file line, the list line and the raw line of the test-send button.
void TstLog::controlCharactersEscaped()
{
    QFETCH(QString, message);
    QFETCH(QString, written);

    QSignalSpy spy(&Log::instance(), &Log::listLine);
    LogMessage(message, LogZelList);
    writeRawLogLine(message);

    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(1).toString(), QString(longTimeText(kLocalNow.time()) + u' ' + written));
    QCOMPARE(readFile(logPath()), frameAtNow(written) + written.toUtf8() + "\r\n");
}

// Every control character at once: the file holds no byte of one, in UTF-8 either, except
// the line end of each line.
void TstLog::noControlByteReachesTheFile()
{
    QString all;
    for (char16_t c = 0; c <= 0xA0; ++c) {
        all += QChar(c);
    }
    LogMessage(all);
    writeRawLogLine(all);

    const QByteArray bytes = readFile(logPath());
    const QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.at(2).isEmpty());
    for (QByteArray line : lines.first(2)) {
        QVERIFY(line.endsWith('\r'));
        line.chop(1);
        for (qsizetype i = 0; i < line.size(); ++i) {
            const auto b = uchar(line.at(i));
            QVERIFY2(b >= 0x20 && b != 0x7F, qPrintable(QString::number(i)));
            // The second byte of a C1 character in UTF-8 follows 0xC2.
            const bool c1 = b == 0xC2 && i + 1 < line.size() && uchar(line.at(i + 1)) < 0xA0;
            QVERIFY2(!c1, qPrintable(QString::number(i)));
        }
    }
    QVERIFY(bytes.contains("\\x00\\x01"));
    QVERIFY(bytes.contains("\\x9F\xC2\xA0"));
}

void TstLog::targets_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<bool>("listed");
    QTest::newRow("0 file only") << 0 << false;
    QTest::newRow("1 ZEL list") << 1 << true;
    QTest::newRow("2 office list") << 2 << true;
    QTest::newRow("3 acts like 0") << 3 << false;
    QTest::newRow("-1 acts like 0") << -1 << false;
}

void TstLog::targets()
{
    QFETCH(int, target);
    QFETCH(bool, listed);

    QSignalSpy spy(&Log::instance(), &Log::listLine);
    LogMessage(u"Recv: 1234"_s, static_cast<LogTarget>(target));

    QCOMPARE(spy.size(), listed ? 1 : 0);
    if (listed) {
        QCOMPARE(spy.at(0).at(0).toInt(), target);
        QCOMPARE(spy.at(0).at(1).toString(),
                 QString(longTimeText(kLocalNow.time()) + u" Recv: 1234"));
    }
    QCOMPARE(readFile(logPath()), frameAtNow(u"Recv: 1234"_s));
}

void TstLog::fileFailureIgnored()
{
    Log::instance().setFileName(m_dir->filePath(QStringLiteral("missing/ZELPO.LOG")));
    QSignalSpy spy(&Log::instance(), &Log::listLine);
    LogMessage(u"still listed"_s, LogZelList);
    rollOverLog();
    writeRawLogLine(u"raw"_s);
    QCOMPARE(spy.size(), 1);
    QVERIFY(QDir(m_dir->path()).isEmpty());
}

void TstLog::rawLine()
{
    QSignalSpy spy(&Log::instance(), &Log::listLine);
    LogMessage(u"framed"_s);
    writeRawLogLine(u"0001 test <raw>"_s);
    QCOMPARE(readFile(logPath()), frameAtNow(u"framed"_s) + "0001 test <raw>\r\n");
    QCOMPARE(spy.size(), 0);
}

// How the log looks before the check; "rolled" means OLDPO.log then holds the old log and
// the log starts afresh.
void TstLog::rollOver_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("existingOld");
    QTest::addColumn<bool>("byRollOverLog");
    QTest::addColumn<bool>("rolled");

    QTest::newRow("exactly the limit") << kRollOverSize << QString() << false << false;
    QTest::newRow("exactly the limit keeps old") << kRollOverSize << u"older"_s << false << false;
    QTest::newRow("one byte more") << kRollOverSize + 1 << QString() << false << true;
    QTest::newRow("replaces old") << kRollOverSize + 1 << u"older"_s << false << true;
    QTest::newRow("rollOverLog at the limit") << kRollOverSize << QString() << true << false;
    QTest::newRow("rollOverLog one byte more") << kRollOverSize + 1 << u"older"_s << true << true;
}

void TstLog::rollOver()
{
    QFETCH(qint64, size);
    QFETCH(QString, existingOld);
    QFETCH(bool, byRollOverLog);
    QFETCH(bool, rolled);

    const QByteArray content(size, 'x');
    QVERIFY(writeFile(logPath(), content));
    if (!existingOld.isNull()) {
        QVERIFY(writeFile(oldLogPath(), existingOld.toUtf8()));
    }

    const QByteArray line = frameAtNow(u"first"_s);
    if (byRollOverLog) {
        rollOverLog();
    } else {
        LogMessage(u"first"_s);
    }

    const QByteArray added = byRollOverLog ? QByteArray() : line;
    QCOMPARE(readFile(logPath()), rolled ? added : content + added);
    if (rolled) {
        QVERIFY(readFile(oldLogPath()) == content);
    } else {
        QCOMPARE(QFile::exists(oldLogPath()), !existingOld.isNull());
        QCOMPARE(readFile(oldLogPath()), existingOld.toUtf8());
    }
}

// OLDPO.log taken by a directory with content: neither a move nor a copy can replace it. The
// log keeps every byte and notes the failure once; once the obstacle is gone the next message
// rolls over all of it.
void TstLog::failedRollOverKeepsTheLog()
{
    const QByteArray content(kRollOverSize + 1, 'x');
    QVERIFY(writeFile(logPath(), content));
    QVERIFY(QDir().mkpath(QDir(oldLogPath()).filePath(u"kept"_s)));

    LogMessage(u"first"_s);
    m_clock->advanceSeconds(1);
    rollOverLog();
    LogMessage(u"second"_s);

    const QByteArray log = readFile(logPath());
    QVERIFY(log.startsWith(content));
    const QList<QByteArray> added = log.mid(content.size()).split('\n');
    QCOMPARE(added.size(), 4);
    const QByteArray note = frameAtNow(u"Log roll-over to "_s + oldLogPath() + u" failed"_s);
    QVERIFY2(added.at(0).startsWith(note.left(note.size() - 3)), added.at(0).constData());
    QCOMPARE(added.at(1) + '\n', frameAtNow(u"first"_s));
    const QDateTime later = kLocalNow.addSecs(1);
    QCOMPARE(added.at(2) + '\n', frameAt(later, u"second"_s));
    QVERIFY(added.at(3).isEmpty());
    QVERIFY(QFileInfo(oldLogPath()).isDir());

    QVERIFY(QDir(oldLogPath()).removeRecursively());
    LogMessage(u"third"_s);
    QVERIFY(readFile(oldLogPath()) == log);
    QCOMPARE(readFile(logPath()), frameAt(later, u"third"_s));
}

// The log's own lines count towards the limit: a log that grows past it by this run's
// messages rolls over at the next message, as one that was already too long does.
void TstLog::linesOfThisRunCountForTheRollOver()
{
    const QByteArray content(kRollOverSize - 10, 'x');
    QVERIFY(writeFile(logPath(), content));

    LogMessage(u"crosses the limit"_s);
    QVERIFY(!QFile::exists(oldLogPath()));
    LogMessage(u"after the roll-over"_s);

    QVERIFY(readFile(oldLogPath()) == content + frameAtNow(u"crosses the limit"_s));
    QCOMPARE(readFile(logPath()), frameAtNow(u"after the roll-over"_s));
    LogMessage(u"appended"_s);
    QCOMPARE(readFile(logPath()), frameAtNow(u"after the roll-over"_s) + frameAtNow(u"appended"_s));
}

void TstLog::listLineFromWorkerIsQueued()
{
    ListReceiver receiver;
    connect(&Log::instance(), &Log::listLine, &receiver, &ListReceiver::take);
    QSignalSpy spy(&receiver, &ListReceiver::taken);

    std::thread worker([] { LogMessage(u"Start processing server config data"_s, LogPoList); });
    QVERIFY(spy.wait());
    worker.join();

    QCOMPARE(receiver.threads.size(), 1);
    QCOMPARE(receiver.threads.at(0), QThread::currentThread());
    QCOMPARE(receiver.targets, QList<int>{LogPoList});
    QCOMPARE(receiver.lines,
             QStringList{longTimeText(kLocalNow.time()) + u" Start processing server config data"});
    QCOMPARE(readFile(logPath()), frameAtNow(u"Start processing server config data"_s));
}

// Both threads start on a log just over the limit: exactly one of them rolls it over, and
// every line of both ends up whole in the new log.
void TstLog::concurrentMessagesKeepWholeLines()
{
    constexpr int perThread = 500;
    const QByteArray content(kRollOverSize + 1, 'x');
    QVERIFY(writeFile(logPath(), content));

    const auto logLines = [](QChar name) {
        for (int i = 0; i < perThread; ++i) {
            LogMessage(u"worker "_s + name + u' ' + QString::number(i));
        }
    };
    std::thread a(logLines, u'a');
    std::thread b(logLines, u'b');
    a.join();
    b.join();

    QVERIFY(readFile(oldLogPath()) == content);
    const QString log = QString::fromUtf8(readFile(logPath()));
    QVERIFY(log.endsWith(u"\r\n"));
    const QStringList lines = log.chopped(2).split(u"\r\n"_s);
    QCOMPARE(lines.size(), 2 * perThread);

    const QString prefix = QString::fromUtf8(frameAtNow(QString()).chopped(3));
    const QRegularExpression message(u"^worker ([ab]) (\\d+)>$"_s);
    QHash<QString, int> next{{u"a"_s, 0}, {u"b"_s, 0}};
    for (const QString& line : lines) {
        QVERIFY2(line.startsWith(prefix), qPrintable(line));
        const QRegularExpressionMatch match = message.match(line.mid(prefix.size()));
        QVERIFY2(match.hasMatch(), qPrintable(line));
        QCOMPARE(match.captured(2).toInt(), next[match.captured(1)]++);
    }
    QCOMPARE(next.value(u"a"_s), perThread);
    QCOMPARE(next.value(u"b"_s), perThread);
}

void TstLog::traceOff()
{
    const QString poData = usePoDataDirectory();
    QVERIFY(!poData.isEmpty());
    WriteTraceFile(u"dump"_s, u"00"_s);
    QVERIFY(!QFileInfo::exists(QDir(poData).filePath(QStringLiteral("trace"))));
    QVERIFY(!QFileInfo::exists(poData));
}

void TstLog::traceOn()
{
    const QString poData = usePoDataDirectory();
    QVERIFY(!poData.isEmpty());
    const QDir trace(QDir(poData).filePath(QStringLiteral("trace")));
    QVERIFY(QDir().mkpath(trace.path()));
    TraceEnabled = true;

    const QString text = u"<?xml version=\"1.0\"?>\r\n<Alarm Text=\"Störung\"/>"_s;
    WriteTraceFile(text, u"01"_s);
    const QString name = trace.filePath(QStringLiteral("20261208_231127_01.trc"));
    QCOMPARE(readFile(name), text.toUtf8());

    m_clock->advanceMs(500);
    WriteTraceFile(u"short"_s, u"01"_s);
    QCOMPARE(readFile(name), QByteArray("short"));
    WriteTraceFile(u"other tag"_s, u"02"_s);
    m_clock->advanceMs(100);
    WriteTraceFile(u"next second"_s, u"01"_s);

    QCOMPARE(trace.entryList(QDir::Files, QDir::Name),
             QStringList({u"20261208_231127_01.trc"_s, u"20261208_231127_02.trc"_s,
                          u"20261208_231128_01.trc"_s}));
    QCOMPARE(readFile(name), QByteArray("short"));
}

void TstLog::traceMissingDirectoryThrows()
{
    const QString poData = usePoDataDirectory();
    QVERIFY(!poData.isEmpty());
    TraceEnabled = true;
    QVERIFY_THROWS_EXCEPTION(TextFileError, WriteTraceFile(u"dump"_s, u"00"_s));
    QVERIFY(!QFileInfo::exists(QDir(poData).filePath(QStringLiteral("trace"))));
}

QTEST_GUILESS_MAIN(TstLog)
#include "tst_log.moc"
