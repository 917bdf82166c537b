#pragma once

#include <QByteArray>
#include <QString>

// Framing of what ZelPO sends to ZelMeld: single-byte windows-1252 text ended by a carriage
// return. Every control character (C0, DEL, C1) becomes a blank, so no text can end the line
// early and forge a second one. A character the code page lacks goes out as "?"; unmappable
// (when given) counts those characters.
QByteArray frameZelMessage(const QString& message, qsizetype* unmappable = nullptr);

// How an answer line is judged. No answer at all within the sender's time-out is the sender's
// own business and has no value here.
enum class ZelAnswer
{
    Accepted, // begins with "OK"
    Refused,  // not accepted, begins with "NAK"
    Other,    // anything else: lower case, a leading blank or line feed, too short
};

ZelAnswer classifyZelAnswer(const QString& line);
