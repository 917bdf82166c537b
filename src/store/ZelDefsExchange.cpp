#include "ZelDefsExchange.h"

#include "Documents.h"
#include "XmlNodeEdit.h"
#include "ZelDefs.h"

#include "core/Language.h"

#include <QFile>

#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace X = ZelDefsXml;

namespace {

constexpr long long LocationCodeMax = 9999;
constexpr long long AlarmCodeMax = 99;
constexpr long long SystemLocation = 9999;

// A whole number: an optional sign and decimal digits, nothing else. One too large for any
// range saturates, so that it is skipped as out of range rather than refused.
std::optional<long long> wholeNumber(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    constexpr long long limit = std::numeric_limits<long long>::max() / 10 - 9;
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        if (value < limit)
            value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

bool hasCodeAndName(pugi::xml_node node)
{
    return node.attribute(X::Code) && node.attribute(X::Name);
}

std::optional<long long> codeValue(pugi::xml_node node)
{
    return wholeNumber(attributeValue(node, X::Code));
}

bool inRange(pugi::xml_node node, long long max)
{
    const std::optional<long long> code = codeValue(node);
    return code && *code >= 1 && *code <= max;
}

QString codeProblem(pugi::xml_node node)
{
    return u"Code \""_s + QString::fromUtf8(attributeValue(node, X::Code)) + u"\" of "_s +
           QString::fromUtf8(node.name()) + u" \""_s +
           QString::fromUtf8(attributeValue(node, X::Name)) + u"\" is not a whole number"_s;
}

// Every code the merge reads as a number must be one; empty when all are.
QString findBadCode(pugi::xml_node fileRoot)
{
    for (const pugi::xml_node location : fileRoot.children()) {
        if (location.type() != pugi::node_element)
            continue;
        if (hasCodeAndName(location) && !codeValue(location))
            return codeProblem(location);
        for (const pugi::xml_node alarm : location.children()) {
            if (alarm.type() == pugi::node_element && hasCodeAndName(alarm) && !codeValue(alarm))
                return codeProblem(alarm);
        }
    }
    return {};
}

std::optional<QString> systemAlarmName(pugi::xml_node location, long long alarmCode)
{
    if (codeValue(location) != SystemLocation)
        return std::nullopt;
    switch (alarmCode) {
    case 5:
        return LangText(24, u"Priva Office Koppeling Watchdog Fout"_s);
    case 8:
        return LangText(25, u"Priva Office Koppeling Systeemfout"_s);
    case 9:
        return LangText(26, u"Priva Office Koppeling Instelfout"_s);
    default:
        return std::nullopt;
    }
}

class Merge
{
public:
    Merge(XmlDocument& zelDefs, ZelImportResult& result) : m_zelDefs(zelDefs), m_result(result)
    {
        const pugi::xml_node first = zelDefs.rootForNameCheck();
        if (std::string_view(first.name()) == kZelDefsRoot)
            m_appendTo = first;
    }

    void location(pugi::xml_node fileLocation)
    {
        if (hasCodeAndName(fileLocation) && inRange(fileLocation, LocationCodeMax))
            mergeLocation(fileLocation);
        for (const pugi::xml_node fileAlarm : fileLocation.children()) {
            if (fileAlarm.type() == pugi::node_element && hasCodeAndName(fileAlarm) &&
                inRange(fileAlarm, AlarmCodeMax))
                mergeAlarm(fileLocation, fileAlarm);
        }
    }

private:
    pugi::xml_node findLocation(pugi::xml_node fileLocation) const
    {
        return FindChildNode(m_zelDefs.root(), X::Location,
                             {{X::Code, std::string(attributeValue(fileLocation, X::Code))}});
    }

    void rename(pugi::xml_node node, std::string_view name)
    {
        if (attributeValue(node, X::Name) != name)
            ++m_result.renamed;
        setNodeAttribute(node, X::Name, name);
    }

    void mergeLocation(pugi::xml_node fileLocation)
    {
        const std::string_view name = attributeValue(fileLocation, X::Name);
        if (const pugi::xml_node existing = findLocation(fileLocation)) {
            rename(existing, name);
            return;
        }
        if (!m_appendTo)
            return;
        pugi::xml_node added = m_appendTo.append_child(X::Location);
        setNodeAttribute(added, X::Code, attributeValue(fileLocation, X::Code));
        setNodeAttribute(added, X::Name, name);
        ++m_result.added;
    }

    void mergeAlarm(pugi::xml_node fileLocation, pugi::xml_node fileAlarm)
    {
        pugi::xml_node location = findLocation(fileLocation);
        if (!location)
            return;
        const std::string_view code = attributeValue(fileAlarm, X::Code);
        const std::optional<QString> systemName =
            systemAlarmName(fileLocation, *codeValue(fileAlarm));
        if (const pugi::xml_node existing =
                FindChildNode(location, X::Alarm, {{X::Code, std::string(code)}})) {
            if (!systemName)
                rename(existing, attributeValue(fileAlarm, X::Name));
            return;
        }
        pugi::xml_node added = location.append_child(X::Alarm);
        setNodeAttribute(added, X::Code, code);
        setNodeAttribute(added, X::Name,
                         systemName ? systemName->toStdString()
                                    : std::string(attributeValue(fileAlarm, X::Name)));
        ++m_result.added;
    }

    XmlDocument& m_zelDefs;
    ZelImportResult& m_result;
    pugi::xml_node m_appendTo;
};

// The exchange file as a document whose root is checked; refusals say why.
ZelImportResult loadExchangeFile(XmlDocumentHandle& file, const QString& path)
{
    if (!QFile::exists(path))
        return {ZelImportResult::FileNotFound, {}};
    const OpenResult opened = OpenXmlDocument(file, path, ZelExchangeXml::Root);
    switch (opened.outcome) {
    case OpenResult::Created:
        return {ZelImportResult::FileNotFound, {}};
    case OpenResult::Unreadable:
        return {ZelImportResult::Unreadable, opened.reason};
    case OpenResult::Malformed:
        return {ZelImportResult::IncorrectStructure, u"not well-formed XML: "_s + opened.reason};
    case OpenResult::Loaded:
    case OpenResult::Kept:
    case OpenResult::WrongRoot:
        break;
    }
    // The file's first node after the declaration is what must be the exchange root.
    const pugi::xml_node root = file->rootForNameCheck();
    if (std::string_view(root.name()) != ZelExchangeXml::Root)
        return {ZelImportResult::IncorrectStructure,
                u"the first element is \""_s + QString::fromUtf8(root.name()) + u"\", not "_s +
                    QLatin1String(ZelExchangeXml::Root)};
    return {};
}

} // namespace

ZelExportResult ExportZelDefs(const XmlDocument& zelDefs, const QString& path)
{
    const pugi::xml_node catalogue = zelDefs.dom().child(kZelDefsRoot);
    if (!catalogue)
        return {ZelExportResult::NoCatalogue,
                u"the document has no "_s + QLatin1String(kZelDefsRoot)};

    XmlDocumentHandle exchange = std::make_unique<XmlDocument>();
    pugi::xml_node root = exchange->dom().append_child(ZelExchangeXml::Root);
    const auto copyCodeAndName = [](pugi::xml_node from, pugi::xml_node to) {
        for (const char* name : {X::Code, X::Name}) {
            if (const pugi::xml_attribute attr = from.attribute(name))
                to.append_attribute(name) = attr.value();
        }
    };
    for (const pugi::xml_node location : catalogue.children()) {
        if (location.type() != pugi::node_element)
            continue;
        pugi::xml_node copy = root.append_child(X::Location);
        copyCodeAndName(location, copy);
        for (const pugi::xml_node alarm : location.children()) {
            if (alarm.type() == pugi::node_element)
                copyCodeAndName(alarm, copy.append_child(X::Alarm));
        }
    }
    // The save puts the ISO-8859-1 declaration in front.
    const SaveResult saved = SaveXmlDocument(exchange, path, XmlLayout::Flat);
    if (!saved)
        return {ZelExportResult::WriteFailed, saved.reason};
    return {};
}

ZelImportResult ImportZelDefs(XmlDocument& zelDefs, const QString& path)
{
    XmlDocumentHandle file;
    ZelImportResult result = loadExchangeFile(file, path);
    if (!result)
        return result;
    const pugi::xml_node fileRoot = file->rootForNameCheck();
    if (const QString bad = findBadCode(fileRoot); !bad.isEmpty())
        return {ZelImportResult::IncorrectStructure, bad};

    Merge merge(zelDefs, result);
    for (const pugi::xml_node location : fileRoot.children()) {
        if (location.type() == pugi::node_element)
            merge.location(location);
    }
    return result;
}
