#pragma once

#include "XmlDocument.h"

class DocumentOwner;

// A catalogue may write one code in several forms ("012" before "12"), as older imports and
// hand edits left it. Every look-up finds only the first of them, so the alarms of the others
// could not be reached from the window while links to them were still forwarded. Such
// elements are merged into one per number as the import merges a file: the later name wins,
// the alarms are united; the group delay and repeat of an alarm already there stay.
struct ZelCodeMergeCount
{
    int locations = 0; // elements merged into an earlier one of their number
    int alarms = 0;

    bool any() const { return locations > 0 || alarms > 0; }
};

// Merges the direct Location children of the root by number, then the Alarm children of each
// location by number. The element that stays is the first of its number, its Code written in
// plain decimal; children of a later one that are no alarm of a known number move along.
// Elements whose Code is no whole number are left as they are.
ZelCodeMergeCount mergeZelCodeForms(XmlDocument& zelDefs);

// After the catalogue was read from its file: merges, logs what was merged, and saves once.
// A catalogue not read from its file (set aside, of another root) is left alone.
void mergeZelCodeFormsOnRead(DocumentOwner& zelDefs);
