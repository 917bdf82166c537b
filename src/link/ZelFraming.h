#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Framing of the ZelMeld wire: single-byte ISO-8859-1 text, each line ended by a carriage
// return. Characters outside ISO-8859-1 cannot travel and go out as "?".
QByteArray frameZelMessage(const QString& message);

// The lines of one receive event: the bytes cut at every carriage return, empty lines dropped
// and whatever follows the last carriage return dropped (it is not kept for the next event).
// A line feed is an ordinary character, so "OK\r\nOK\r" gives "OK" and "\nOK".
QStringList zelReplyLines(const QByteArray& received);

// How an answer line is judged. No answer at all within the sender's time-out is the sender's
// own business and has no value here.
enum class ZelAnswer
{
    Accepted, // begins with "OK"
    Refused,  // not accepted, begins with "NAK"
    Other,    // anything else: lower case, a leading blank or line feed, too short
};

ZelAnswer classifyZelAnswer(const QString& line);
