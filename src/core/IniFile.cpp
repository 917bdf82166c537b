#include "IniFile.h"

#include "AtomicFile.h"

#include <QFile>
#include <QList>
#include <QStringDecoder>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

// One physical line and the line end that followed it (empty for a last line
// without one), so that lines we do not change go back to disk unchanged.
struct IniLine
{
    QByteArray text;
    QByteArray end;
};

struct IniDocument
{
    QByteArray bom;
    QList<IniLine> lines;
};

enum class LineKind
{
    Blank,
    Comment,
    Section,
    Key,
    Other
};

struct ParsedLine
{
    LineKind kind = LineKind::Other;
    QString name;
    QString value;
};

const QByteArray& utf8Bom()
{
    static const QByteArray bom("\xEF\xBB\xBF");
    return bom;
}

IniDocument splitLines(const QByteArray& bytes)
{
    IniDocument doc;
    qsizetype pos = 0;
    if (bytes.startsWith(utf8Bom())) {
        doc.bom = utf8Bom();
        pos = doc.bom.size();
    }
    while (pos < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', pos);
        if (newline < 0) {
            doc.lines.append({bytes.mid(pos), QByteArray()});
            break;
        }
        const bool crlf = newline > pos && bytes.at(newline - 1) == '\r';
        const qsizetype textEnd = crlf ? newline - 1 : newline;
        doc.lines.append(
            {bytes.mid(pos, textEnd - pos), bytes.mid(textEnd, newline + 1 - textEnd)});
        pos = newline + 1;
    }
    return doc;
}

QByteArray joinLines(const IniDocument& doc)
{
    QByteArray bytes = doc.bom;
    for (const IniLine& line : doc.lines)
        bytes += line.text + line.end;
    return bytes;
}

// Files written by other Windows programs hold the ANSI code page, not UTF-8: bytes that are
// no valid UTF-8 are read as Latin-1, so "Zoë" in a data path survives either way. The file's
// byte order mark is gone before this point; a U+FEFF at the start of a name or value is
// part of it and must survive, or such a key could never be found again.
QString decodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

// The name runs to the last "]" of the line.
ParsedLine parseSectionHeader(const QByteArray& trimmed)
{
    const qsizetype close = trimmed.lastIndexOf(']');
    return {LineKind::Section, decodeText(trimmed.mid(1, close - 1)).trimmed(), QString()};
}

ParsedLine parseLine(const QByteArray& text)
{
    const QByteArray trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {LineKind::Blank, QString(), QString()};
    if (trimmed.startsWith(';'))
        return {LineKind::Comment, QString(), QString()};
    if (trimmed.startsWith('[') && trimmed.contains(']'))
        return parseSectionHeader(trimmed);
    const qsizetype equals = trimmed.indexOf('=');
    if (equals < 0)
        return {};
    const QString name = decodeText(trimmed.left(equals)).trimmed();
    if (name.isEmpty())
        return {};
    return {LineKind::Key, name, decodeText(trimmed.mid(equals + 1)).trimmed()};
}

QList<ParsedLine> parseLines(const IniDocument& doc)
{
    QList<ParsedLine> parsed;
    parsed.reserve(doc.lines.size());
    for (const IniLine& line : doc.lines)
        parsed.append(parseLine(line.text));
    return parsed;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Only the first section of a name counts, as with the Windows profile functions.
qsizetype findSection(const QList<ParsedLine>& lines, const QString& section)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == LineKind::Section && sameName(lines[i].name, section))
            return i;
    }
    return -1;
}

qsizetype sectionEnd(const QList<ParsedLine>& lines, qsizetype header)
{
    qsizetype i = header + 1;
    while (i < lines.size() && lines[i].kind != LineKind::Section)
        ++i;
    return i;
}

qsizetype findKey(const QList<ParsedLine>& lines, qsizetype header, const QString& key)
{
    const qsizetype end = sectionEnd(lines, header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (lines[i].kind == LineKind::Key && sameName(lines[i].name, key))
            return i;
    }
    return -1;
}

// A new key goes after the section's last entry, so that blank lines and the
// comments that introduce the next section stay where they are.
qsizetype afterLastEntry(const QList<ParsedLine>& lines, qsizetype header)
{
    qsizetype last = header;
    const qsizetype end = sectionEnd(lines, header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (lines[i].kind == LineKind::Key || lines[i].kind == LineKind::Other)
            last = i;
    }
    return last + 1;
}

// A missing file reads as empty; error names why a file that exists cannot be read.
struct FileBytes
{
    QByteArray bytes;
    QString error;
};

FileBytes readBytes(const QString& file)
{
    QFile in(file);
    if (in.open(QIODevice::ReadOnly)) {
        FileBytes result{in.readAll(), QString()};
        if (in.error() != QFileDevice::NoError)
            result.error = u"cannot read "_s + file + u": "_s + in.errorString();
        return result;
    }
    if (!in.exists())
        return {};
    return {QByteArray(), u"cannot read "_s + file + u": "_s + in.errorString()};
}

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

// The profile readers drop one pair of matching quotes around a trimmed value, so that a
// value can carry blanks at its ends; a lone or unmatched quote stays.
QString unquoted(const QString& trimmed)
{
    if (trimmed.size() >= 2 && isQuote(trimmed.front()) && trimmed.back() == trimmed.front())
        return trimmed.mid(1, trimmed.size() - 2);
    return trimmed;
}

// What a reader makes of value once written.
QString valueAsRead(const QString& value)
{
    return unquoted(value.trimmed());
}

std::optional<QString> readValue(const QString& file, const QString& section, const QString& key)
{
    const FileBytes read = readBytes(file);
    if (!read.error.isEmpty())
        return std::nullopt;
    const QList<ParsedLine> lines = parseLines(splitLines(read.bytes));
    const qsizetype header = findSection(lines, section.trimmed());
    const qsizetype at = header < 0 ? -1 : findKey(lines, header, key.trimmed());
    if (at < 0)
        return std::nullopt;
    return unquoted(lines[at].value);
}

// -1 for a character that is not a hexadecimal digit.
int hexDigitValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

// Hexadecimal fills all 32 bits, so "$FFFFFFFF" is -1 as in the profile
// readers this format comes from.
std::optional<int> parseHex(QStringView digits, bool negative)
{
    if (digits.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (const QChar c : digits) {
        const int digit = hexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + quint64(digit);
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    const quint32 bits = negative ? 0u - quint32(value) : quint32(value);
    return int(bits);
}

std::optional<int> parseDecimal(QStringView digits, bool negative)
{
    if (digits.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > qint64(1) << 31)
            return std::nullopt;
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

std::optional<int> parseInteger(const QString& text)
{
    QStringView rest = QStringView(text).trimmed();
    const bool negative = rest.startsWith(u'-');
    if (negative || rest.startsWith(u'+'))
        rest = rest.mid(1);
    if (rest.startsWith(u'$'))
        return parseHex(rest.mid(1), negative);
    if (rest.startsWith(u"0x", Qt::CaseInsensitive))
        return parseHex(rest.mid(2), negative);
    return parseDecimal(rest, negative);
}

// Names or values that would break the line structure cannot be written
// without changing what other lines mean: empty when they fit, else why not.
QString lineProblem(const QString& section, const QString& key, const QString& value)
{
    const auto hasLineBreak = [](const QString& s) {
        return s.contains(u'\n') || s.contains(u'\r');
    };
    if (hasLineBreak(section) || hasLineBreak(key))
        return u"a line break in the section or key name"_s;
    if (hasLineBreak(value))
        return u"a line break in the value"_s;
    if (section.contains(u']'))
        return u"\"]\" in the section name"_s;
    if (key.isEmpty())
        return u"an empty key name"_s;
    if (key.contains(u'='))
        return u"\"=\" in the key name"_s;
    if (key.startsWith(u';') || key.startsWith(u'['))
        return u"a key name that starts with \";\" or \"[\""_s;
    return QString();
}

// The text that reads back as value.
QString valueAsWritten(const QString& value)
{
    return valueAsRead(value) == value ? value : u'"' + value + u'"';
}

QByteArray lineEndOf(const IniDocument& doc)
{
    for (const IniLine& line : doc.lines) {
        if (!line.end.isEmpty())
            return line.end;
    }
#ifdef Q_OS_WIN
    return QByteArrayLiteral("\r\n");
#else
    return QByteArrayLiteral("\n");
#endif
}

void insertLine(IniDocument& doc, qsizetype index, const QByteArray& text, const QByteArray& end)
{
    if (index > 0 && doc.lines[index - 1].end.isEmpty())
        doc.lines[index - 1].end = end;
    doc.lines.insert(index, {text, end});
}

// Keeps the key's spelling and the blanks after "=", replaces the value.
void replaceValue(IniLine& line, const QString& value)
{
    qsizetype start = line.text.indexOf('=') + 1;
    while (start < line.text.size() && (line.text[start] == ' ' || line.text[start] == '\t'))
        ++start;
    line.text = line.text.left(start) + value.toUtf8();
}

void appendSection(IniDocument& doc, const QString& section, const QByteArray& keyLine)
{
    const QByteArray end = lineEndOf(doc);
    if (!doc.lines.isEmpty() && !doc.lines.last().text.trimmed().isEmpty())
        insertLine(doc, doc.lines.size(), QByteArray(), end);
    insertLine(doc, doc.lines.size(), '[' + section.toUtf8() + ']', end);
    insertLine(doc, doc.lines.size(), keyLine, end);
}

void setValue(IniDocument& doc, const QString& section, const QString& key, const QString& value)
{
    const QList<ParsedLine> lines = parseLines(doc);
    const QByteArray keyLine = key.toUtf8() + '=' + value.toUtf8();
    const qsizetype header = findSection(lines, section);
    if (header < 0)
        return appendSection(doc, section, keyLine);
    const qsizetype at = findKey(lines, header, key);
    if (at >= 0)
        return replaceValue(doc.lines[at], value);
    insertLine(doc, afterLastEntry(lines, header), keyLine, lineEndOf(doc));
}

WriteResult writeValue(const QString& file, const QString& section, const QString& key,
                       const QString& value)
{
    const QString sectionName = section.trimmed();
    const QString keyName = key.trimmed();
    const QString refused = lineProblem(sectionName, keyName, value);
    if (!refused.isEmpty()) {
        return WriteResult::failure(u"cannot write ["_s + sectionName + u"] "_s + keyName +
                                    u" to "_s + file + u": "_s + refused);
    }
    const FileBytes before = readBytes(file);
    if (!before.error.isEmpty())
        return WriteResult::failure(before.error);
    IniDocument doc = splitLines(before.bytes);
    setValue(doc, sectionName, keyName, valueAsWritten(value));
    const QByteArray after = joinLines(doc);
    return after == before.bytes ? WriteResult::success() : writeFileAtomically(file, after);
}

} // namespace

int ReadIniInteger(const QString& file, const QString& section, const QString& key,
                   int defaultValue)
{
    const std::optional<QString> text = readValue(file, section, key);
    const std::optional<int> value = text ? parseInteger(*text) : std::nullopt;
    return value.value_or(defaultValue);
}

std::optional<QString> readIniValue(const QString& file, const QString& section, const QString& key)
{
    return readValue(file, section, key);
}

std::optional<int> iniInteger(const QString& value)
{
    return parseInteger(value);
}

QString iniReadProblem(const QString& file)
{
    return readBytes(file).error;
}

QString ReadIniString(const QString& file, const QString& section, const QString& key,
                      const QString& defaultValue)
{
    const std::optional<QString> text = readValue(file, section, key);
    return text && !text->isEmpty() ? *text : defaultValue;
}

WriteResult WriteIniInteger(const QString& file, const QString& section, const QString& key,
                            int value)
{
    return WriteIniString(file, section, key, QString::number(value));
}

WriteResult WriteIniString(const QString& file, const QString& section, const QString& key,
                           const QString& value)
{
    return writeValue(file, section, key, value);
}
