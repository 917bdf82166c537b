#include "Settings.h"

#include "Directories.h"
#include "IniFile.h"

#include <QDir>

#include <limits>

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

// The watchdog message carries a single digit.
int watchdogIdFrom(int stored)
{
    return stored < 0 || stored > 9 ? 1 : stored;
}

} // namespace

QString settingsFileName()
{
    return DataDirectory() + QDir::separator() + QStringLiteral("ZelLocal.INI");
}

void loadStartupValues(const QString& file, Settings& s)
{
    s.language = readIniString(file, po(), QStringLiteral("language"), QStringLiteral("ENG"));
    s.traceEnabled = readIniInteger(file, po(), QStringLiteral("Trace"), 0) == 1;
}

void LoadSettings(const QString& file, Settings& s)
{
    s.zelHost = readIniString(file, ip(), QStringLiteral("address"), localHost());
    s.zelPort = readIniInteger(file, ip(), QStringLiteral("OIPort"), 8132);
    s.poServer = readIniString(file, po(), QStringLiteral("address"), localHost());
    s.sendPcu = readIniInteger(file, po(), QStringLiteral("sendpcu"), 1) == 1;
    s.filterPunct = readIniInteger(file, po(), QStringLiteral("filterpunct"), 0) == 1;
    s.watchdogId = watchdogIdFrom(readIniInteger(file, po(), QStringLiteral("WDid"), 1));
}

void SaveSettings(const QString& file, const Settings& s)
{
    const bool dutch = s.language == u"NLD";
    writeIniString(file, ip(), QStringLiteral("address"), s.zelHost.trimmed());
    writeIniString(file, po(), QStringLiteral("address"), s.poServer.trimmed());
    writeIniInteger(file, ip(), QStringLiteral("OIPort"), s.zelPort);
    writeIniString(file, po(), QStringLiteral("language"),
                   dutch ? QStringLiteral("NLD") : QStringLiteral("ENG"));
    writeIniInteger(file, po(), QStringLiteral("sendpcu"), s.sendPcu ? 1 : 0);
    writeIniInteger(file, po(), QStringLiteral("filterpunct"), s.filterPunct ? 1 : 0);
    writeIniInteger(file, po(), QStringLiteral("WDid"), s.watchdogId);
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
