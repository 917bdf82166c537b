#pragma once

#include "ReplyScript.h"

#include <QSignalSpy>
#include <QString>
#include <QStringList>

// Small helpers of the link tests.

ReplyScript script(const QString& rule);

// A port that nothing listens on (until a test listens there itself).
quint16 freePort();

// The messages of the ZelMeld list that begin with label, without their time of day.
QStringList zelListMessages(const QSignalSpy& spy, const QString& label);

// The first argument of every signal a spy caught, as text.
QStringList texts(const QSignalSpy& spy);
