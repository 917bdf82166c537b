#pragma once

#include <QString>

// Removes the characters that ZelMeld's alarm text cannot carry when the
// operator asked for it: " , - . < > _
QString FilterPunctuation(const QString& text, bool filterOn);

// The text part of an alarm message: optional PCU name, location and alarm
// text, each filtered.
QString alarmBody(const QString& pcu, const QString& location, const QString& text, bool sendPcu,
                  bool filterPunct);

// Prefixes a group member's body and cuts the result to what fits a message.
QString messageBody(const QString& alarmText, bool memberOfGroup, const QString& preAlarmText);
