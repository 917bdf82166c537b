#include "XmlText.h"

#include "XmlParseError.h"

#include "core/Windows1252.h"

#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;
constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
constexpr std::string_view kDeclarationStart = "<?xml";
constexpr std::string_view kEncodingAttribute = "encoding";

enum class Encoding
{
    Utf8,
    Latin1,
    Windows1252,
    Utf16Le,
    Utf16Be
};

struct EncodingAlias
{
    std::string_view name; // lower case
    Encoding encoding;
};

// Names as servers write them; compared without regard to case.
constexpr std::array kAliases{
    EncodingAlias{"utf-8", Encoding::Utf8},
    EncodingAlias{"utf8", Encoding::Utf8},
    EncodingAlias{"iso-8859-1", Encoding::Latin1},
    EncodingAlias{"iso8859-1", Encoding::Latin1},
    EncodingAlias{"iso_8859-1", Encoding::Latin1},
    EncodingAlias{"iso-ir-100", Encoding::Latin1},
    EncodingAlias{"latin1", Encoding::Latin1},
    EncodingAlias{"latin-1", Encoding::Latin1},
    EncodingAlias{"l1", Encoding::Latin1},
    EncodingAlias{"cp819", Encoding::Latin1},
    EncodingAlias{"ibm819", Encoding::Latin1},
    EncodingAlias{"csisolatin1", Encoding::Latin1},
    // ASCII is a subset of both; a stray high byte then still has one meaning.
    EncodingAlias{"us-ascii", Encoding::Latin1},
    EncodingAlias{"ascii", Encoding::Latin1},
    EncodingAlias{"windows-1252", Encoding::Windows1252},
    EncodingAlias{"cp1252", Encoding::Windows1252},
    EncodingAlias{"x-cp1252", Encoding::Windows1252},
    EncodingAlias{"win-1252", Encoding::Windows1252},
};

std::string encodingName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8:
        return "UTF-8";
    case Encoding::Latin1:
        return "ISO-8859-1";
    case Encoding::Windows1252:
        return "windows-1252";
    case Encoding::Utf16Le:
        return "UTF-16LE";
    case Encoding::Utf16Be:
        return "UTF-16BE";
    }
    return {};
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::optional<Encoding> encodingNamed(std::string_view name)
{
    std::string lower(name);
    for (char& c : lower)
        c = lowerAscii(c);
    for (const EncodingAlias& alias : kAliases) {
        if (alias.name == lower)
            return alias.encoding;
    }
    return std::nullopt;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::size_t skipSpaces(std::string_view text, std::size_t pos)
{
    while (pos < text.size() && isSpace(text[pos]))
        ++pos;
    return pos;
}

struct Span
{
    std::size_t offset = 0;
    std::size_t length = 0;
};

// Where the value of the declaration's encoding attribute lies, when the text begins with a
// declaration that has one. The declaration is ASCII in every 8-bit encoding and in UTF-8.
std::optional<Span> declaredEncoding(std::string_view text)
{
    if (!text.starts_with(kDeclarationStart) || text.size() <= kDeclarationStart.size() ||
        !isSpace(text[kDeclarationStart.size()]))
        return std::nullopt;
    const std::size_t end = text.find("?>");
    if (end == std::string_view::npos)
        return std::nullopt;
    const std::string_view declaration = text.substr(0, end);
    std::size_t at = declaration.find(kEncodingAttribute);
    while (at != std::string_view::npos && !isSpace(declaration[at - 1]))
        at = declaration.find(kEncodingAttribute, at + 1);
    if (at == std::string_view::npos)
        return std::nullopt;
    std::size_t pos = skipSpaces(declaration, at + kEncodingAttribute.size());
    if (pos >= declaration.size() || declaration[pos] != '=')
        return std::nullopt;
    pos = skipSpaces(declaration, pos + 1);
    if (pos >= declaration.size() || (declaration[pos] != '"' && declaration[pos] != '\''))
        return std::nullopt;
    const std::size_t close = declaration.find(declaration[pos], pos + 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    return Span{pos + 1, close - pos - 1};
}

bool inRange(unsigned char byte, unsigned char low, unsigned char high)
{
    return byte >= low && byte <= high;
}

// Reads the UTF-8 sequence at pos and moves past it. An ill-formed sequence gives kInvalid
// and moves past its lead and those of its bytes that could still have begun a valid one, so
// one bad sequence costs one character. Overlong forms and surrogates are ill-formed.
char32_t readUtf8(std::string_view s, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(s[pos++]);
    if (lead < 0x80)
        return lead;
    int length = 0;
    char32_t c = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (inRange(lead, 0xC2, 0xDF)) {
        length = 1;
        c = lead & 0x1F;
    } else if (inRange(lead, 0xE0, 0xEF)) {
        length = 2;
        c = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (inRange(lead, 0xF0, 0xF4)) {
        length = 3;
        c = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return kInvalid;
    }
    for (int i = 0; i < length; ++i, low = 0x80, high = 0xBF) {
        if (pos >= s.size() || !inRange(static_cast<unsigned char>(s[pos]), low, high))
            return kInvalid;
        c = (c << 6) | (static_cast<unsigned char>(s[pos++]) & 0x3F);
    }
    return c;
}

bool isValidUtf8(std::string_view s)
{
    for (std::size_t pos = 0; pos < s.size();) {
        if (readUtf8(s, pos) == kInvalid)
            return false;
    }
    return true;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// Collects the decoded characters, each one XML can hold or else U+FFFD.
// A byte that is the same character in ASCII, UTF-8 and Latin-1, and one XML allows.
bool xmlAscii(unsigned char byte)
{
    return byte < 0x80 && (byte >= 0x20 || byte == 0x9 || byte == 0xA || byte == 0xD);
}

// The length of the run of such bytes at pos.
std::size_t xmlAsciiRun(std::string_view bytes, std::size_t pos)
{
    std::size_t end = pos;
    while (end < bytes.size() && xmlAscii(static_cast<unsigned char>(bytes[end])))
        ++end;
    return end - pos;
}

class Utf8Builder
{
public:
    explicit Utf8Builder(std::size_t expectedSize) { m_text.reserve(expectedSize); }

    void put(char32_t c)
    {
        if (!isXmlChar(c)) {
            ++m_replaced;
            c = kReplacement;
        }
        appendUtf8(m_text, c);
    }
    // Bytes known to be valid characters that stand for themselves.
    void putAscii(std::string_view bytes) { m_text.append(bytes); }
    std::string& text() { return m_text; }
    int replaced() const { return m_replaced; }

private:
    std::string m_text;
    int m_replaced = 0;
};

// Most of an answer is plain ASCII: taken a run at a time, the rest character by character.
void decodeUtf8(std::string_view bytes, Utf8Builder& out)
{
    for (std::size_t pos = 0; pos < bytes.size();) {
        if (const std::size_t run = xmlAsciiRun(bytes, pos)) {
            out.putAscii(bytes.substr(pos, run));
            pos += run;
            continue;
        }
        out.put(readUtf8(bytes, pos));
    }
}

void decodeLatin1(std::string_view bytes, Utf8Builder& out)
{
    for (std::size_t pos = 0; pos < bytes.size();) {
        if (const std::size_t run = xmlAsciiRun(bytes, pos)) {
            out.putAscii(bytes.substr(pos, run));
            pos += run;
            continue;
        }
        out.put(static_cast<unsigned char>(bytes[pos++]));
    }
}

void decodeWindows1252(std::string_view bytes, Utf8Builder& out)
{
    // Every character of the code page lies in the basic plane.
    const QString text = fromWindows1252(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    for (const QChar c : text)
        out.put(c.unicode());
}

void decodeUtf16(std::string_view bytes, bool littleEndian, Utf8Builder& out)
{
    auto unitAt = [&](std::size_t pos) -> char32_t {
        const auto first = static_cast<unsigned char>(bytes[pos]);
        const auto second = static_cast<unsigned char>(bytes[pos + 1]);
        return littleEndian ? char32_t(first | (second << 8)) : char32_t((first << 8) | second);
    };
    std::size_t pos = 0;
    for (; pos + 1 < bytes.size(); pos += 2) {
        const char32_t unit = unitAt(pos);
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const char32_t next = pos + 3 < bytes.size() ? unitAt(pos + 2) : 0;
        if (high && next >= 0xDC00 && next <= 0xDFFF) {
            out.put(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            pos += 2;
        } else {
            // A lone surrogate is no character; isXmlChar refuses it.
            out.put(unit);
        }
    }
    if (pos < bytes.size())
        out.put(kInvalid);
}

// The value of the character reference at pos ("&#...;"), and where it ends; nothing when no
// reference begins there. A value beyond Unicode reads as kInvalid.
std::optional<std::pair<char32_t, std::size_t>> readReference(std::string_view s, std::size_t pos)
{
    if (s.substr(pos, 2) != "&#")
        return std::nullopt;
    pos += 2;
    const bool hex = pos < s.size() && s[pos] == 'x';
    if (hex)
        ++pos;
    const std::size_t digitsStart = pos;
    char32_t value = 0;
    for (; pos < s.size() && s[pos] != ';'; ++pos) {
        const char c = lowerAscii(s[pos]);
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        if (digit < 0)
            return std::nullopt;
        if (value <= kLastCodePoint)
            value = value * (hex ? 16 : 10) + char32_t(digit);
    }
    if (pos >= s.size() || pos == digitsStart)
        return std::nullopt;
    return std::pair{value > kLastCodePoint ? kInvalid : value, pos + 1};
}

// A reference to a character XML cannot hold ("&#0;", "&#1;", "&#xD800;") would put that
// character into the tree; it becomes a reference to U+FFFD.
int replaceForbiddenReferences(std::string& text)
{
    if (text.find("&#") == std::string::npos)
        return 0;
    std::string out;
    out.reserve(text.size());
    int replaced = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const auto reference = readReference(text, pos);
        if (!reference) {
            out += text[pos++];
            continue;
        }
        const auto [value, end] = *reference;
        if (isXmlChar(value)) {
            out.append(text, pos, end - pos);
        } else {
            out += "&#65533;";
            ++replaced;
        }
        pos = end;
    }
    text = std::move(out);
    return replaced;
}

// Only the first byte-order mark is one. A U+FEFF right after it would read as a byte-order
// mark when the text is decoded again, so that decoding it twice would differ; it cannot
// stand before the root anyway.
int replaceLeadingByteOrderMark(std::string& text)
{
    if (!text.starts_with(kUtf8Bom))
        return 0;
    text.replace(0, kUtf8Bom.size(), kUtf8Replacement);
    return 1;
}

struct Source
{
    std::string_view bytes; // without byte-order mark
    Encoding encoding = Encoding::Utf8;
};

// The encoding by byte-order mark, declaration or content; nothing when the declaration names
// one that cannot be read.
std::optional<Source> sourceOf(std::string_view bytes, std::string& error)
{
    if (bytes.starts_with(kUtf8Bom))
        return Source{bytes.substr(kUtf8Bom.size()), Encoding::Utf8};
    if (bytes.starts_with(kUtf16LeBom))
        return Source{bytes.substr(kUtf16LeBom.size()), Encoding::Utf16Le};
    if (bytes.starts_with(kUtf16BeBom))
        return Source{bytes.substr(kUtf16BeBom.size()), Encoding::Utf16Be};
    if (const std::optional<Span> declared = declaredEncoding(bytes)) {
        const std::string_view name = bytes.substr(declared->offset, declared->length);
        // UTF-16 is read only by its byte-order mark: a declaration that could be read byte
        // by byte is no UTF-16.
        const std::optional<Encoding> encoding = encodingNamed(name);
        if (!encoding) {
            error = "unsupported encoding \"" + std::string(name) + '"';
            return std::nullopt;
        }
        return Source{bytes, *encoding};
    }
    return Source{bytes, isValidUtf8(bytes) ? Encoding::Utf8 : Encoding::Latin1};
}

void decodeInto(const Source& source, Utf8Builder& out)
{
    switch (source.encoding) {
    case Encoding::Utf8:
        decodeUtf8(source.bytes, out);
        break;
    case Encoding::Latin1:
        decodeLatin1(source.bytes, out);
        break;
    case Encoding::Windows1252:
        decodeWindows1252(source.bytes, out);
        break;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
        decodeUtf16(source.bytes, source.encoding == Encoding::Utf16Le, out);
        break;
    }
}

// --- writing ---

void writeDeclaration(std::string& out, const pugi::xml_document& dom)
{
    out += "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"";
    for (const pugi::xml_node node : dom.children()) {
        if (node.type() != pugi::node_declaration)
            continue;
        if (const pugi::xml_attribute standalone = node.attribute("standalone"))
            out += std::string(" standalone=\"") + standalone.value() + '"';
        break;
    }
    out += "?>\n";
}

// A byte that stands for itself in both encodings and starts no reference.
bool plainAscii(unsigned char byte)
{
    return byte != '&' && xmlAscii(byte);
}

// The documents hold their data in attributes and use ASCII names, so a reference is
// valid wherever a character above 0xFF can stand.
void appendLatin1(std::string_view utf8, Latin1Xml& out)
{
    for (std::size_t pos = 0; pos < utf8.size();) {
        // Most of a document is plain ASCII: copied a run at a time.
        std::size_t end = pos;
        while (end < utf8.size() && plainAscii(static_cast<unsigned char>(utf8[end])))
            ++end;
        if (end > pos) {
            out.bytes.append(utf8.substr(pos, end - pos));
            pos = end;
            continue;
        }
        if (const auto reference = readReference(utf8, pos)) {
            const auto [value, end] = *reference;
            if (isXmlChar(value))
                out.bytes.append(utf8.substr(pos, end - pos));
            else
                ++out.dropped;
            pos = end;
            continue;
        }
        const char32_t c = readUtf8(utf8, pos);
        if (c == kInvalid || !isXmlChar(c))
            ++out.dropped;
        else if (c <= 0xFF)
            out.bytes += char(c);
        else
            out.bytes += "&#" + std::to_string(std::uint32_t(c)) + ';';
    }
}

// Takes the UTF-8 that the parser's writer makes and converts it a piece at a time, so that a
// large document is never held as UTF-8 text beside its ISO-8859-1 bytes. A piece ends before
// a '<', which never falls inside a character or a reference.
class Latin1Writer : public pugi::xml_writer
{
public:
    explicit Latin1Writer(Latin1Xml& out) : m_out(out) {}

    void write(const void* data, size_t size) override
    {
        m_pending.append(static_cast<const char*>(data), size);
        if (m_pending.size() < kPieceSize)
            return;
        const std::size_t cut = m_pending.rfind('<');
        if (cut == 0 || cut == std::string::npos)
            return;
        appendLatin1(std::string_view(m_pending).substr(0, cut), m_out);
        m_pending.erase(0, cut);
    }

    void finish()
    {
        appendLatin1(m_pending, m_out);
        m_pending.clear();
    }

private:
    static constexpr std::size_t kPieceSize = 64 * 1024;
    Latin1Xml& m_out;
    std::string m_pending;
};

} // namespace

bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= kLastCodePoint);
}

DecodedXml decodeXmlBytes(std::string_view bytes)
{
    DecodedXml decoded;
    const std::optional<Source> source = sourceOf(bytes, decoded.error);
    if (!source)
        return decoded;
    decoded.encoding = encodingName(source->encoding);
    Utf8Builder out(source->bytes.size());
    decodeInto(*source, out);
    decoded.text = std::move(out.text());
    decoded.replaced = out.replaced() + replaceLeadingByteOrderMark(decoded.text) +
                       replaceForbiddenReferences(decoded.text);
    if (const std::optional<Span> declared = declaredEncoding(decoded.text))
        decoded.text.replace(declared->offset, declared->length, "UTF-8");
    return decoded;
}

void loadXmlText(pugi::xml_document& dom, std::string_view text)
{
    const DecodedXml decoded = decodeXmlBytes(text);
    if (!decoded.ok()) {
        dom.reset();
        throw XmlParseError(decoded.error);
    }
    loadDecodedXmlText(dom, decoded.text);
}

void loadDecodedXmlText(pugi::xml_document& dom, std::string_view utf8Text)
{
    const pugi::xml_parse_result result =
        dom.load_buffer(utf8Text.data(), utf8Text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!result) {
        // The parser keeps a partial tree; it must not pass for the answer.
        dom.reset();
        throw XmlParseError(std::string("XML parse error: ") + result.description() +
                            " at offset " + std::to_string(result.offset));
    }
}

Latin1Xml serializeLatin1(const pugi::xml_document& dom, XmlLayout layout)
{
    // What the parser's writer makes, escaping < & " and writing a control character as a
    // reference of its own ("&#01;"), under our declaration in place of the document's.
    Latin1Xml out;
    Latin1Writer writer(out);
    std::string declaration;
    writeDeclaration(declaration, dom);
    writer.write(declaration.data(), declaration.size());
    const unsigned int format =
        layout == XmlLayout::Indented ? pugi::format_indent : pugi::format_raw;
    for (const pugi::xml_node node : dom.children()) {
        if (node.type() != pugi::node_declaration)
            node.print(writer, "\t", format, pugi::encoding_utf8);
    }
    writer.finish();
    return out;
}
