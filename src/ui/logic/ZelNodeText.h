#pragma once

#include <QString>
#include <QStringView>

#include <string>

// The text of a node of the ZEL location tree: the name, " (", the code and ")". The text is
// for the operator only: a node holds its element's key as data, and nothing reads an identity
// back from the text.

struct ZelNodeText
{
    int code = 0;
    QString name;
};

// name + " (" + code + ")".
QString makeNodeText(const QString& name, qint64 code);

// The parts of such a text, for reading a text shown (no identity is taken from it). Read from
// the end: the digits between the last ")" and the "(" before it are the code, the
// one character in front of that "(" is skipped, the rest is the name. No ")" gives code 0 and
// an empty name; digits that form no integer give code 0.
ZelNodeText SplitNodeText(QStringView text);

// The order of locations (and of the root): true when a goes after b, comparing the texts as
// 8-bit characters, one by one, as unsigned numbers. Capitals come before small letters; a
// character without a byte of the Western-European Windows code page goes after all that
// have one, by its code point.
bool locationTextGoesAfter(QStringView a, QStringView b);
// The key of that order: texts compare as their keys do. Made once per text, it spares a sort
// of thousands of locations the conversion at every comparison.
std::u32string locationSortKey(QStringView text);

// The highest code plus one, 1 when there are no codes, at most max (the dialog's range).
int proposedCode(const QList<int>& codes, int max);
