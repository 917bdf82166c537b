#include "Directories.h"

#include "IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The polling thread reads the data directory too, so the kept value and the
// program directory override are guarded.
struct DirectoryState
{
    QMutex mutex;
    std::optional<QString> dataDirectory;
    QString dataDirectoryOrigin; // where the kept path came from, for problem reports
    QString programDir;
};

DirectoryState& state()
{
    static DirectoryState instance;
    return instance;
}

bool isSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}

QString programDirLocked()
{
    const QString& chosen = state().programDir;
    return chosen.isEmpty() ? QCoreApplication::applicationDirPath() : chosen;
}

// The installation may name its data path in a database engine alias; this
// build has no such engine, so the step finds nothing and "PO.ini" decides.
QString aliasDataPath()
{
    return QString();
}

QString withoutTrailingSeparator(QString path)
{
    while (path.size() > 1 && isSeparator(path.back()) && path[path.size() - 2] != u':')
        path.chop(1);
    return path;
}

#ifdef Q_OS_WIN

QString installRoot()
{
    return QStringLiteral("C:\\ZEL");
}

QString mapInstallPath(const QString& path)
{
    return path;
}

qsizetype mappedPartStart(const QString&)
{
    return 0;
}

#else

// Without drive letters the installation's "c:\zel" lives in the user's data home.
QString installRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/zel");
}

bool isUnderInstallRoot(const QString& path)
{
    const QString prefix = path.left(6).replace(u'/', u'\\');
    const bool boundary = path.size() == 6 || (path.size() > 6 && isSeparator(path[6]));
    return boundary && prefix.compare(u"c:\\zel", Qt::CaseInsensitive) == 0;
}

QString mapInstallPath(const QString& path)
{
    if (!isUnderInstallRoot(path))
        return path;
    return installRoot() + path.mid(6).replace(u'\\', u'/');
}

// Where the installation's own part of a mapped path begins: the user's data home before it
// is no part of the installation, and a "data" there ("/home/database/...") must not count.
qsizetype mappedPartStart(const QString& path)
{
    const QString root = installRoot();
    const bool below =
        path.startsWith(root) && (path.size() == root.size() || isSeparator(path[root.size()]));
    return below ? root.size() : 0;
}

#endif

struct DataPath
{
    QString path;
    QString origin;
};

DataPath computeDataDirectory(const QString& programDir)
{
    const QString poIni = programDir + QStringLiteral("/PO.ini");
    QString path = aliasDataPath();
    if (path.isEmpty()) {
        path = ReadIniString(poIni, QStringLiteral("Application"), QStringLiteral("datapath"),
                             QString());
    }
    if (!path.isEmpty())
        return {withoutTrailingSeparator(mapInstallPath(path)), u"datapath in "_s + poIni};
    // There is no installer to create the default, so the first start does.
    const QString fallback = mapInstallPath(QStringLiteral("c:\\zel\\data"));
    QDir().mkpath(fallback);
    return {fallback, u"the default, as "_s + poIni + u" names no datapath"_s};
}

// Empty when dir is a directory the program can write into; else what is wrong with it.
QString unusableBecause(const QString& dir)
{
    const QFileInfo info(dir);
    if (!info.exists())
        return u"does not exist"_s;
    if (!info.isDir())
        return u"is not a directory"_s;
    if (!info.isWritable())
        return u"cannot be written"_s;
    return QString();
}

qsizetype dataPartAt(const QString& path, qsizetype from)
{
    for (qsizetype i = from; i + 4 < path.size(); ++i) {
        if (isSeparator(path[i]) &&
            QStringView(path).mid(i + 1, 4).compare(u"data", Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString siblingDirectory(const QString& leaf)
{
    QString dir = siblingOfDataDirectory(DataDirectory(), leaf);
    if (dir.isEmpty()) {
        QDir().mkpath(installRoot());
        dir = installRoot() + QDir::separator() + leaf;
    }
    QDir().mkdir(dir);
    return dir;
}

} // namespace

QString DataDirectory()
{
    QMutexLocker lock(&state().mutex);
    if (!state().dataDirectory) {
        const DataPath computed = computeDataDirectory(programDirLocked());
        state().dataDirectory = computed.path;
        state().dataDirectoryOrigin = computed.origin;
    }
    return *state().dataDirectory;
}

QString dataDirectoryProblem()
{
    const QString dir = DataDirectory();
    const QString why = unusableBecause(dir);
    if (why.isEmpty())
        return QString();
    QMutexLocker lock(&state().mutex);
    return u"Data directory "_s + dir + u" ("_s + state().dataDirectoryOrigin + u") "_s + why +
           u": settings are not saved and no log file is written"_s;
}

QString poDataDirectoryProblem()
{
    const QString dir = PoDataDirectory();
    QString why = unusableBecause(dir);
    if (why.isEmpty())
        return QString();
    const QString parent = QFileInfo(dir).absolutePath();
    if (!QFileInfo(parent).isDir())
        why = u"cannot be created, as "_s + parent + u" does not exist"_s;
    return u"Office data directory "_s + dir + u' ' + why +
           u": the alarm status and the definitions cannot be saved"_s;
}

QString PoDataDirectory()
{
    return siblingDirectory(QStringLiteral("PoData"));
}

QString ExchangeDirectory()
{
    return siblingDirectory(QStringLiteral("Xml"));
}

QString programDirectory()
{
    QMutexLocker lock(&state().mutex);
    return programDirLocked();
}

void resetDirectories(const QString& programDir)
{
    QMutexLocker lock(&state().mutex);
    state().dataDirectory.reset();
    state().dataDirectoryOrigin.clear();
    state().programDir = programDir;
}

QString siblingOfDataDirectory(const QString& dataDir, const QString& leaf)
{
    const qsizetype at = dataPartAt(dataDir, mappedPartStart(dataDir));
    if (at < 0)
        return QString();
    const QString parent = dataDir.left(at + 1);
#ifdef Q_OS_WIN
    return parent.toLower() + leaf;
#else
    // A case-sensitive file system would read a lower-cased parent as another directory.
    return QString(parent).replace(u'\\', u'/') + leaf;
#endif
}
