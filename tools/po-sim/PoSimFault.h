#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// The two resources of the office alarm server.
enum class PoEndpoint
{
    Config,
    Alarms
};

inline constexpr std::array<PoEndpoint, 2> AllPoEndpoints{PoEndpoint::Config, PoEndpoint::Alarms};

// How the simulator misbehaves on one endpoint; a default-constructed fault answers normally.
// When several are set, the first of drop, redirect, status, empty and malformed wins; the
// delay applies to all of them.
struct PoFault
{
    int status = 200;       // a non-2xx code answers with its reason phrase instead of the file
    bool emptyBody = false; // 200 with Content-Length 0
    int delayMs = 0;        // wait before answering (or before closing)
    bool malformed = false; // the file cut short, so it is not well-formed XML
    QByteArray redirectTo;  // not empty: 302 Found with this Location
    bool drop = false;      // read the request, then close without an answer

    bool operator==(const PoFault&) const = default;
};

using PoFaults = std::array<PoFault, 2>;

inline PoFault& faultFor(PoFaults& faults, PoEndpoint endpoint)
{
    return faults[size_t(endpoint)];
}

inline const PoFault& faultFor(const PoFaults& faults, PoEndpoint endpoint)
{
    return faults[size_t(endpoint)];
}

// Applies one fault option of the command line to faults. name is the option without dashes:
// "status", "delay" and "redirect" take "[ENDPOINT:]VALUE", "empty", "malformed" and "drop"
// take "ENDPOINT"; ENDPOINT is "config", "alarms" or "all" (the default where it is optional).
// On a bad value faults stay unchanged and error says why.
bool applyFaultOption(PoFaults& faults, const QString& name, const QString& value, QString* error);
