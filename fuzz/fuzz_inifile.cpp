// Settings files as any editor or program may leave them: reading never fails unsafely, and
// a write changes only its own key: the value reads back exactly as written and every other
// line of the file keeps its bytes.
#include "core/IniFile.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

struct Name
{
    const char16_t* text;
    bool writable; // a write with this name is refused when false
};

// Names the program uses, in other cases and with blanks, names the file may not hold yet,
// and names the line structure cannot carry.
constexpr std::array kSections{
    Name{u"PO", true},  Name{u"ip", true},       Name{u" Application ", true},
    Name{u"Neu", true}, Name{u"Zo\u00eb", true}, Name{u"[x", true},
    Name{u"", true},    Name{u"a]b", false},
};
constexpr std::array kKeys{
    Name{u"ZelHost", true},   Name{u"zelport", true},   Name{u" datapath ", true},
    Name{u"Zo\u00eb", true},  Name{u"\ufeffkey", true}, Name{u"neu sleutel", true},
    Name{u"a]b", true},       Name{u"", false},         Name{u"a=b", false},
    Name{u";comment", false},
};

// Every write is made durable, so a file on a memory file system keeps the run fast.
QTemporaryDir& scratchDir()
{
    const QString memory = QStringLiteral("/dev/shm");
    static QTemporaryDir dir(QFileInfo(memory).isWritable()
                                 ? memory + QStringLiteral("/fuzz_inifile-XXXXXX")
                                 : QString());
    return dir;
}

QString iniPath()
{
    QTemporaryDir& dir = scratchDir();
    if (!dir.isValid())
        std::abort();
    return dir.filePath(QStringLiteral("fuzz.ini"));
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    return file.readAll();
}

// Lines as the settings module sees them: after a leading byte-order mark, ended by a line
// feed. A carriage return at the end of a line is left out: a last line "x\r" that gains a
// line feed reads "x" then, and both mean the same.
QList<QByteArray> linesOf(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    if (bytes.isEmpty())
        return {};
    QList<QByteArray> lines = bytes.split('\n');
    if (bytes.endsWith('\n'))
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

// After the write, the file is the old one with at most one line replaced (the key's) or up
// to three added (the key, or a blank line, the section and the key).
bool onlyOneEntryChanged(const QByteArray& beforeBytes, const QByteArray& afterBytes)
{
    const QList<QByteArray> before = linesOf(beforeBytes);
    const QList<QByteArray> after = linesOf(afterBytes);
    qsizetype head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head])
        ++head;
    qsizetype tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    const qsizetype removed = before.size() - head - tail;
    const qsizetype added = after.size() - head - tail;
    return (removed == 1 && added == 1) || (removed == 0 && added >= 0 && added <= 3);
}

// Every key once, each in another section, so that a run stays quick.
void readSomeNames(const QString& path)
{
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        const QString section = QString::fromUtf16(kSections[i % kSections.size()].text);
        const QString key = QString::fromUtf16(kKeys[i].text);
        (void)ReadIniString(path, section, key, QStringLiteral("default"));
        (void)ReadIniInteger(path, section, key, -7);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = iniPath();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(input) != input.size())
            std::abort();
    }
    readSomeNames(path);

    // The value is the file's last line, so it often meets its own text again.
    const QString value = QString::fromUtf8(input.sliced(input.lastIndexOf('\n') + 1));
    const Name& section = kSections[size % kSections.size()];
    const Name& key = kKeys[(size / kSections.size()) % kKeys.size()];
    const QString s = QString::fromUtf16(section.text);
    const QString k = QString::fromUtf16(key.text);
    const bool writable = section.writable && key.writable && !value.contains(u'\r');

    const WriteResult written = WriteIniString(path, s, k, value);
    const QByteArray after = fileBytes(path);
    if (!written) {
        if (writable || after != input)
            std::abort();
        return 0;
    }
    if (!writable || !onlyOneEntryChanged(input, after))
        std::abort();
    if (readIniValue(path, s, k) != value)
        std::abort();
    if (ReadIniString(path, s, k, QStringLiteral("default")) !=
        (value.isEmpty() ? QStringLiteral("default") : value))
        std::abort();
    return 0;
}
