#include "PoSimFault.h"

#include <QList>

#include <functional>
#include <optional>

namespace {

using Endpoints = QList<PoEndpoint>;

std::optional<Endpoints> endpointsNamed(const QString& name)
{
    if (name == u"config")
        return Endpoints{PoEndpoint::Config};
    if (name == u"alarms")
        return Endpoints{PoEndpoint::Alarms};
    if (name == u"all")
        return Endpoints{PoEndpoint::Config, PoEndpoint::Alarms};
    return std::nullopt;
}

// "alarms:500" -> (alarms, "500"); "500" -> (all, "500"). A redirect URL has colons of its
// own, so only a known endpoint name counts as a prefix.
std::pair<Endpoints, QString> splitEndpoint(const QString& value)
{
    const qsizetype colon = value.indexOf(u':');
    if (colon > 0) {
        if (const auto named = endpointsNamed(value.left(colon)))
            return {*named, value.mid(colon + 1)};
    }
    return {*endpointsNamed(QStringLiteral("all")), value};
}

std::optional<int> parseNumber(const QString& text, int lowest, int highest)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < lowest || number > highest)
        return std::nullopt;
    return number;
}

using FaultEdit = std::function<void(PoFault&)>;

// The edit an option makes on each endpoint it names, or nothing for a bad value.
std::optional<FaultEdit> valueEdit(const QString& name, const QString& value)
{
    if (name == u"status") {
        const auto code = parseNumber(value, 100, 599);
        if (!code)
            return std::nullopt;
        return [code = *code](PoFault& f) { f.status = code; };
    }
    if (name == u"delay") {
        const auto ms = parseNumber(value, 0, 24 * 3600 * 1000);
        if (!ms)
            return std::nullopt;
        return [ms = *ms](PoFault& f) { f.delayMs = ms; };
    }
    if (name == u"redirect" && !value.isEmpty())
        return [url = value.toUtf8()](PoFault& f) { f.redirectTo = url; };
    return std::nullopt;
}

std::optional<FaultEdit> flagEdit(const QString& name)
{
    if (name == u"empty")
        return [](PoFault& f) { f.emptyBody = true; };
    if (name == u"malformed")
        return [](PoFault& f) { f.malformed = true; };
    if (name == u"drop")
        return [](PoFault& f) { f.drop = true; };
    return std::nullopt;
}

} // namespace

bool applyFaultOption(PoFaults& faults, const QString& name, const QString& value, QString* error)
{
    std::optional<Endpoints> endpoints;
    std::optional<FaultEdit> edit = flagEdit(name);
    if (edit) {
        endpoints = endpointsNamed(value);
    } else {
        const auto [named, rest] = splitEndpoint(value);
        endpoints = named;
        edit = valueEdit(name, rest);
    }
    if (!edit || !endpoints) {
        if (error)
            *error = u"bad value for --" + name + u": \"" + value + u'"';
        return false;
    }
    for (const PoEndpoint endpoint : *endpoints)
        (*edit)(faultFor(faults, endpoint));
    return true;
}
