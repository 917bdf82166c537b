#pragma once

#include <QString>

// The lines ZelPO sends to ZelMeld, without the carriage return that frames them on the wire.
// Nothing here validates or escapes: a text with "]" or commas goes out as it is.
namespace ZelMessage {

// An office alarm: "[ZEL RCVALARM 02,<location>,<number>,<T|R>,,<text>]", the ZEL location in
// four digits and the alarm number in two, zero-padded as in the reference they come from
// ("0012 - 03" goes as 0012,03); the text is cut to 80 characters.
QString alarm(int zelLocation, int zelAlarm, bool returned, const QString& text);

// A group alarm, its location and number written as for an office alarm: state "R" when
// returned, else "T" with a text and "A" without one; the text follows the two commas only
// with "T", neither filtered nor cut.
QString groupAlarm(int groupLocation, int groupAlarm, bool returned, const QString& text);

// System alarm 8 at location 9999: the office link is lost or restored.
QString poLinkLost();
QString poLinkRestored();

// System alarm 9 at location 9999; it is never returned to normal.
QString configurationProblem();

// "[ZEL WD 09]" for an id below 1, else the id in decimal after a blank.
QString watchdog(int watchdogId);

// The hand-made test line, with the three texts exactly as typed.
QString test(const QString& location, const QString& input, const QString& state);

} // namespace ZelMessage
