#pragma once

#include <pugixml.hpp>

#include <string>
#include <string_view>

// The bytes of an XML text (an office answer or a document file) as UTF-8 that any XML 1.0
// reader accepts.
struct DecodedXml
{
    // UTF-8 without byte-order mark; a declared encoding now reads "UTF-8", so the text says
    // what it is and decoding it again changes nothing.
    std::string text;
    // The encoding the bytes were read in: "UTF-8", "ISO-8859-1", "windows-1252",
    // "UTF-16LE" or "UTF-16BE".
    std::string encoding;
    // Characters replaced by U+FFFD: invalid byte sequences (an overlong NUL among them),
    // characters XML 1.0 cannot hold, and character references to such characters.
    int replaced = 0;
    // Not empty when the bytes could not be decoded at all (an unsupported declaration);
    // text is empty then.
    std::string error;

    bool ok() const { return error.empty(); }
};

// Reads bytes in the encoding that their byte-order mark or else their declaration names
// (UTF-8, ISO-8859-1, windows-1252 and their usual aliases, in any case); without either, as
// UTF-8 when the bytes are valid UTF-8, otherwise as ISO-8859-1.
[[nodiscard]] DecodedXml decodeXmlBytes(std::string_view bytes);

// Parses the bytes of an answer into dom, decoded as decodeXmlBytes reads them: by byte-order
// mark or declaration, else UTF-8 when valid, else ISO-8859-1; what XML cannot hold becomes
// U+FFFD. Throws XmlParseError, leaving dom empty, when the declared encoding is unsupported
// or the text is not well-formed or has no root element.
void loadXmlText(pugi::xml_document& dom, std::string_view text);
// The same for a text already decoded to UTF-8, which is not decoded again.
void loadDecodedXmlText(pugi::xml_document& dom, std::string_view utf8Text);

// How the elements of a written document are laid out: one per line, indented with TAB by
// depth, or all on one line (the exchange files of the ZEL system).
enum class XmlLayout
{
    Indented,
    Flat,
};

struct Latin1Xml
{
    std::string bytes;
    // Characters XML 1.0 cannot hold (and invalid UTF-8 in the tree), left out of bytes.
    int dropped = 0;
};

// The document as an ISO-8859-1 file, laid out as asked, under a declaration that says so. A
// character without an ISO-8859-1 byte becomes a numeric character reference ("&#8364;"), so
// nothing is lost; characters XML 1.0 forbids are left out, so that every reader, this
// program's own included, can read the file again. The document is not changed.
[[nodiscard]] Latin1Xml serializeLatin1(const pugi::xml_document& dom,
                                        XmlLayout layout = XmlLayout::Indented);

// A character that XML 1.0 allows in a document.
bool isXmlChar(char32_t c);
