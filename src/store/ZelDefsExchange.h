#pragma once

#include "XmlDocument.h"
#include "ZelCatalogue.h"

#include <QString>

#include <vector>

// The exchange file of ZEL definitions shared with the ZEL system: the locations and alarms
// with their codes and names only (no group delay, no repeat interval).
namespace ZelExchangeXml {
inline constexpr const char* Root = "ZelDefinitions";
} // namespace ZelExchangeXml

// Proposed by the export's save dialog.
inline constexpr const char* ZelExportFileName = "PO Export Alarms.xml";

struct [[nodiscard]] ZelExportResult
{
    enum Outcome
    {
        Written,
        NoCatalogue, // the document has no ZelAlarmDefinitions root: nothing was written
        BadCode,     // a Code is no whole number: nothing was written, reason names it
        WriteFailed, // reason says why
    };
    Outcome outcome = Written;
    QString reason;

    bool ok() const { return outcome == Written; }
    explicit operator bool() const { return ok(); }
};

// Writes the catalogue to path as an exchange file: ISO-8859-1, without indentation, every
// child of the catalogue root as a Location and every child of that as an Alarm, each with
// the Code (in plain decimal) and Name it has (an attribute missing in the catalogue stays
// missing). A catalogue holding a Code that is no whole number is not exported, since the
// import would refuse the file. The file is replaced atomically.
ZelExportResult ExportZelDefs(const XmlDocument& zelDefs, const QString& path);

struct [[nodiscard]] ZelImportResult
{
    enum Outcome
    {
        Imported,
        FileNotFound,
        IncorrectStructure, // not well-formed, another root, or a Code that is no whole number
        Unreadable,         // the file exists but cannot be read
        TooLarge,           // larger than ZelImportMaxBytes: not read at all
    };
    Outcome outcome = Imported;
    // Why the file was refused, for the log; empty when it was imported.
    QString reason;
    int added = 0;   // locations and alarms
    int renamed = 0; // existing ones whose name changed

    bool ok() const { return outcome == Imported; }
    explicit operator bool() const { return ok(); }
};

// The largest exchange file the import reads. A full catalogue (9,999 locations of 99 alarms,
// names of 40 characters) is about 70 MB; real ones are far smaller. A larger file is refused
// before it is read, so that it cannot hold memory and time hostage.
inline constexpr qint64 ZelImportMaxBytes = qint64(128) * 1024 * 1024;

// An exchange file read, decoded, parsed and checked, not yet merged.
struct ZelExchangeFile
{
    ZelImportResult result; // a refusal, or Imported when the file may be merged
    XmlDocumentHandle document;
};

// The part of the import that takes time with a large file. It touches nothing but the file,
// so it may run on another thread than the one that owns the catalogue.
ZelExchangeFile ReadZelExchangeFile(const QString& path, qint64 maxBytes = ZelImportMaxBytes);

// Merges a file that ReadZelExchangeFile accepted, emptying its document on the way (what is
// merged is not kept twice); a refused one changes nothing and its result is returned as it is.
ZelImportResult MergeZelExchangeFile(XmlDocument& zelDefs, ZelExchangeFile& file);

// Both at once: merges the exchange file at path into the catalogue: adds and renames by code,
// never deletes, never touches GroupDelay or Repeat. Location codes 1 to 9999 and alarm codes 1 to
// 99 count; others are skipped, as are elements without Code or Name. Codes are matched and
// stored as numbers (ZelCode.h): "012" merges with 12 and is written 12. Alarms 5, 8 and 9 of
// location 9999 are named from the language table when added and never renamed.
//
// A file that is refused changes nothing: a Code that is not a whole number refuses the whole
// file before anything is merged, so memory and disk never disagree about half an import.
ZelImportResult ImportZelDefs(XmlDocument& zelDefs, const QString& path);

// An import away from the thread that owns the catalogue, which saved it just before.
struct ZelImportJob
{
    // Of the exchange file and its merge; Imported with nothing added when there was no file.
    ZelImportResult result;
    // Why the catalogue's file could not be read; then nothing was merged nor written.
    QString catalogueProblem;
    // The catalogue as read from its file, with the exchange file merged in.
    XmlDocumentHandle catalogue;
    // Something was added or renamed; only then was the catalogue written back.
    bool changed = false;
    SaveResult saved;
    // The catalogue's locations as the tree shows them; their alarms are read when shown.
    std::vector<ZelLocationEntry> entries;
};

// Reads the catalogue from cataloguePath, merges the exchange file at exchangePath into it (no
// file when empty) and writes it back to cataloguePath when that changed it. It shares nothing
// with the catalogue's owner, so it runs on a thread of its own; the owner then takes the
// catalogue in as it was written, unless it changed meanwhile. Holds the file and the
// catalogue at once only while merging: the file is let go before the catalogue is written.
ZelImportJob RunZelImport(const QString& cataloguePath, const QString& exchangePath);
