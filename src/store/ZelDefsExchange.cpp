#include "ZelDefsExchange.h"

#include "Documents.h"
#include "SearchOrder.h"
#include "XmlNodeEdit.h"
#include "ZelCode.h"
#include "ZelDefs.h"

#include "core/Language.h"

#include <QFile>
#include <QFileInfo>

#include <optional>
#include <unordered_map>

using namespace Qt::StringLiterals;

namespace X = ZelDefsXml;

namespace {

constexpr long long LocationCodeMax = 9999;
constexpr long long AlarmCodeMax = 99;
constexpr long long SystemLocation = 9999;

bool hasCodeAndName(pugi::xml_node node)
{
    return node.attribute(X::Code) && node.attribute(X::Name);
}

std::optional<long long> codeValue(pugi::xml_node node)
{
    return zelCodeValue(attributeValue(node, X::Code));
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

// Codes are numbers: a file code "012" finds location 12, and what is added is written in
// plain decimal. The catalogue's locations are indexed once, and the alarms of the location
// being merged, the first of a code winning as in every look-up, so that a full file (9,999
// locations of 99 alarms) merges in linear time.
class Merge
{
public:
    Merge(XmlDocument& zelDefs, ZelImportResult& result) : m_result(result)
    {
        const pugi::xml_node first = zelDefs.rootForNameCheck();
        if (std::string_view(first.name()) == kZelDefsRoot)
            m_appendTo = first;
        for (const pugi::xml_node location : zelDefs.root().children(X::Location)) {
            if (const std::optional<long long> code = codeValue(location))
                m_locations.try_emplace(*code, location);
        }
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
        const std::optional<long long> code = codeValue(fileLocation);
        const auto found = code ? m_locations.find(*code) : m_locations.end();
        return found == m_locations.end() ? pugi::xml_node() : found->second;
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
        const long long code = *codeValue(fileLocation);
        setNodeAttribute(added, X::Code, zelCodeText(code));
        setNodeAttribute(added, X::Name, name);
        m_locations.try_emplace(code, added);
        ++m_result.added;
    }

    void mergeAlarm(pugi::xml_node fileLocation, pugi::xml_node fileAlarm)
    {
        pugi::xml_node location = findLocation(fileLocation);
        if (!location)
            return;
        const long long code = *codeValue(fileAlarm);
        const std::optional<QString> systemName = systemAlarmName(fileLocation, code);
        if (const pugi::xml_node existing = findAlarm(location, code)) {
            if (!systemName)
                rename(existing, attributeValue(fileAlarm, X::Name));
            return;
        }
        pugi::xml_node added = location.append_child(X::Alarm);
        setNodeAttribute(added, X::Code, zelCodeText(code));
        setNodeAttribute(added, X::Name,
                         systemName ? systemName->toStdString()
                                    : std::string(attributeValue(fileAlarm, X::Name)));
        m_alarms.try_emplace(code, added);
        ++m_result.added;
    }

    // As findZelAlarmIn finds it; the index is made again when another location comes.
    pugi::xml_node findAlarm(pugi::xml_node location, long long code)
    {
        if (location != m_alarmsOf) {
            m_alarmsOf = location;
            m_alarms.clear();
            forEachInSearchOrder(location, X::Alarm, [this](pugi::xml_node alarm) {
                if (const std::optional<long long> alarmCode = codeValue(alarm))
                    m_alarms.try_emplace(*alarmCode, alarm);
            });
        }
        const auto found = m_alarms.find(code);
        return found == m_alarms.end() ? pugi::xml_node() : found->second;
    }

    ZelImportResult& m_result;
    pugi::xml_node m_appendTo;
    std::unordered_map<long long, pugi::xml_node> m_locations;
    pugi::xml_node m_alarmsOf;
    std::unordered_map<long long, pugi::xml_node> m_alarms;
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
    // The import refuses a whole file for one code that is no number: such a file is not
    // written at all, and the element is named so that it can be mended.
    if (const QString bad = findBadCode(catalogue); !bad.isEmpty())
        return {ZelExportResult::BadCode, bad};

    XmlDocumentHandle exchange = std::make_unique<XmlDocument>();
    pugi::xml_node root = exchange->dom().append_child(ZelExchangeXml::Root);
    const auto copyCodeAndName = [](pugi::xml_node from, pugi::xml_node to) {
        if (const pugi::xml_attribute code = from.attribute(X::Code))
            to.append_attribute(X::Code) = canonicalZelCode(code.value()).c_str();
        if (const pugi::xml_attribute name = from.attribute(X::Name))
            to.append_attribute(X::Name) = name.value();
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

ZelExchangeFile ReadZelExchangeFile(const QString& path, qint64 maxBytes)
{
    ZelExchangeFile read;
    const QFileInfo info(path);
    if (info.isFile() && info.size() > maxBytes) {
        read.result = {ZelImportResult::TooLarge,
                       u"the file holds "_s + QString::number(info.size()) +
                           u" bytes, more than the "_s + QString::number(maxBytes) +
                           u" an import reads"_s};
        return read;
    }
    read.result = loadExchangeFile(read.document, path);
    if (!read.result)
        return read;
    if (const QString bad = findBadCode(read.document->rootForNameCheck()); !bad.isEmpty())
        read.result = {ZelImportResult::IncorrectStructure, bad};
    return read;
}

ZelImportResult MergeZelExchangeFile(XmlDocument& zelDefs, ZelExchangeFile& file)
{
    if (!file.result || !file.document)
        return file.result;
    ZelImportResult result;
    Merge merge(zelDefs, result);
    // Each location is let go once merged: the parser frees its blocks as they empty, and the
    // catalogue growing meanwhile takes them, so that the file's elements and the catalogue's
    // are not held in full at once.
    pugi::xml_node root = file.document->rootForNameCheck();
    for (pugi::xml_node location = root.first_child(); location; location = root.first_child()) {
        if (location.type() == pugi::node_element)
            merge.location(location);
        root.remove_child(location);
    }
    return result;
}

ZelImportResult ImportZelDefs(XmlDocument& zelDefs, const QString& path)
{
    ZelExchangeFile file = ReadZelExchangeFile(path);
    return MergeZelExchangeFile(zelDefs, file);
}

ZelImportJob RunZelImport(const QString& cataloguePath, const QString& exchangePath)
{
    ZelImportJob job;
    // The catalogue is read whatever becomes of the file: the tree is filled from it.
    ZelExchangeFile file;
    if (!exchangePath.isEmpty()) {
        file = ReadZelExchangeFile(exchangePath);
        job.result = file.result;
    }
    // Opened as its owner opens it: a missing file is an empty catalogue, one with another
    // root is taken as it is.
    const OpenResult opened = OpenXmlDocument(job.catalogue, cataloguePath, kZelDefsRoot);
    if (!job.catalogue->hasContent()) {
        job.catalogueProblem = opened.reason;
        job.catalogue.reset();
        return job;
    }
    if (file.document) {
        job.result = MergeZelExchangeFile(*job.catalogue, file);
        job.changed = job.result.ok() && job.result.added + job.result.renamed > 0;
    }
    // The exchange file is let go before the catalogue is written and read for the tree.
    file = {};
    if (job.changed)
        job.saved = SaveXmlDocument(job.catalogue, cataloguePath);
    job.entries = readZelCatalogue(*job.catalogue, ZelCatalogueDepth::LocationsOnly);
    return job;
}
