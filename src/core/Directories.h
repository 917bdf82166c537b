#pragma once

#include <QString>

// Where the program keeps its files. The data directory holds the settings
// file and the log; the documents live in its sibling "PoData" and import and
// export default to its sibling "Xml". No result ends with a separator.

// Computed at first use and kept for the life of the process: from "PO.ini"
// beside the program (section "Application", key "datapath"), else the
// default, which is created with its parents when missing.
QString DataDirectory();

// Derived from DataDirectory() at every call and created (one level) when missing.
QString PoDataDirectory();
QString ExchangeDirectory();

// The program goes on without a usable data directory, but says so: these return an empty
// text when the directory exists and can be written, else one line that names the path,
// where it came from and what the operator loses, for standard error and the status bar.
QString dataDirectoryProblem();
// Tries to create PoDataDirectory() as every use does; a missing parent is named.
QString poDataDirectoryProblem();

// QCoreApplication::applicationDirPath() unless resetDirectories() set another.
QString programDirectory();

// For tests: forget the kept data directory and take another program
// directory; an empty string goes back to the real one.
void resetDirectories(const QString& programDir = QString());

// The directory named leaf beside the first "<separator>data" of dataDir,
// matched without regard to case ("d:\database\zel\data" gives "d:\<leaf>");
// an empty string when dataDir has no such part. Off Windows, a path in the user's data home
// is searched only after the data home.
QString siblingOfDataDirectory(const QString& dataDir, const QString& leaf);
