#include "Settings.h"

#include "Directories.h"
#include "IniFile.h"

#include <QDir>

#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

QString ip()
{
    return QStringLiteral("IP");
}

QString po()
{
    return QStringLiteral("PO");
}

QString localHost()
{
    return QStringLiteral("127.0.0.1");
}

constexpr int kDefaultPort = 8132;
constexpr int kDefaultWatchdogId = 1;

struct IntegerRange
{
    int lowest;
    int highest;
};

// Reads one file's keys and collects what it had to refuse.
class SettingsReader
{
public:
    explicit SettingsReader(const QString& file) : m_file(file)
    {
        const QString unreadable = iniReadProblem(file);
        if (!unreadable.isEmpty())
            m_problems.append(unreadable + u"; every setting keeps its default"_s);
    }

    QString text(const QString& section, const QString& key, const QString& defaultValue) const
    {
        return ReadIniString(m_file, section, key, defaultValue);
    }

    // An absent or empty value gives the default quietly; a value that is no integer, or
    // lies outside range, gives it with a problem.
    int integer(const QString& section, const QString& key, int defaultValue,
                std::optional<IntegerRange> range = std::nullopt)
    {
        const std::optional<QString> stored = readIniValue(m_file, section, key);
        if (!stored || stored->isEmpty())
            return defaultValue;
        const std::optional<int> value = iniInteger(*stored);
        if (!value) {
            refuse(section, key, *stored, u"is not a whole number"_s, defaultValue);
            return defaultValue;
        }
        if (range && (*value < range->lowest || *value > range->highest)) {
            const QString outside = u"is outside "_s + QString::number(range->lowest) + u'-' +
                                    QString::number(range->highest);
            refuse(section, key, *stored, outside, defaultValue);
            return defaultValue;
        }
        return *value;
    }

    QStringList problems() const { return m_problems; }

private:
    void refuse(const QString& section, const QString& key, const QString& stored,
                const QString& why, int defaultValue)
    {
        m_problems.append(u"Setting ["_s + section + u"] "_s + key + u'=' + stored + u" in "_s +
                          m_file + u' ' + why + u"; "_s + QString::number(defaultValue) +
                          u" is used"_s);
    }

    QString m_file;
    QStringList m_problems;
};

// Runs every write and keeps each distinct reason of those that failed.
class SettingsWriter
{
public:
    explicit SettingsWriter(const QString& file) : m_file(file) {}

    void text(const QString& section, const QString& key, const QString& value)
    {
        note(WriteIniString(m_file, section, key, value));
    }

    void integer(const QString& section, const QString& key, int value)
    {
        note(WriteIniInteger(m_file, section, key, value));
    }

    WriteResult result() const
    {
        if (m_reasons.isEmpty())
            return WriteResult::success();
        return WriteResult::failure(m_reasons.join(u"; "_s));
    }

private:
    void note(const WriteResult& written)
    {
        if (!written && !m_reasons.contains(written.reason()))
            m_reasons.append(written.reason());
    }

    QString m_file;
    QStringList m_reasons;
};

} // namespace

QString settingsFileName()
{
    return DataDirectory() + QDir::separator() + QStringLiteral("ZelLocal.INI");
}

QStringList loadStartupValues(const QString& file, Settings& s)
{
    SettingsReader reader(file);
    s.language = reader.text(po(), QStringLiteral("language"), QStringLiteral("ENG"));
    s.traceEnabled = reader.integer(po(), QStringLiteral("Trace"), 0) == 1;
    return reader.problems();
}

QStringList LoadSettings(const QString& file, Settings& s)
{
    SettingsReader reader(file);
    s.zelHost = reader.text(ip(), QStringLiteral("address"), localHost());
    s.zelPort =
        reader.integer(ip(), QStringLiteral("OIPort"), kDefaultPort, IntegerRange{1, 65535});
    s.poServer = reader.text(po(), QStringLiteral("address"), localHost());
    s.sendPcu = reader.integer(po(), QStringLiteral("sendpcu"), 1) == 1;
    s.filterPunct = reader.integer(po(), QStringLiteral("filterpunct"), 0) == 1;
    // The watchdog message carries a single digit.
    s.watchdogId =
        reader.integer(po(), QStringLiteral("WDid"), kDefaultWatchdogId, IntegerRange{0, 9});
    return reader.problems();
}

WriteResult SaveSettings(const QString& file, const Settings& s)
{
    const bool dutch = s.language == u"NLD";
    SettingsWriter writer(file);
    writer.text(ip(), QStringLiteral("address"), s.zelHost.trimmed());
    writer.text(po(), QStringLiteral("address"), s.poServer.trimmed());
    writer.integer(ip(), QStringLiteral("OIPort"), s.zelPort);
    writer.text(po(), QStringLiteral("language"),
                dutch ? QStringLiteral("NLD") : QStringLiteral("ENG"));
    writer.integer(po(), QStringLiteral("sendpcu"), s.sendPcu ? 1 : 0);
    writer.integer(po(), QStringLiteral("filterpunct"), s.filterPunct ? 1 : 0);
    writer.integer(po(), QStringLiteral("WDid"), s.watchdogId);
    return writer.result();
}

int portFromText(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    qint64 port = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        port = port * 10 + (text[i].unicode() - u'0');
        // Saturate: the edit allows four digits, the text given here need not.
        if (port > std::numeric_limits<int>::max())
            return std::numeric_limits<int>::max();
    }
    return int(port);
}
