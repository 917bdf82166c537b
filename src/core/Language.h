#pragma once

#include <QString>

// Language tables: every operator-facing text is looked up by
// index in one table, English or Dutch, chosen once at start-up.

// Number of entries per language, indices 0..LanguageTableSize-1.
inline constexpr int LanguageTableSize = 121;

// Fills the active table from the English or Dutch source table: exactly
// "NLD" selects Dutch, any other non-empty value English, an empty value
// leaves it empty.
void FillLanguageTable(const QString& language);

// The active entry at index; "_" + defaultText when that entry is empty or the
// table has not been filled; defaultText itself for an index outside 0..120
// once the table has been filled.
QString LangText(int index, const QString& defaultText);

bool LanguageTableFilled();

// True when the Dutch table is the active one; false before any fill.
bool languageIsDutch();

// Returns the table to its state at program start (not filled, all empty); for tests.
void resetLanguageTable();
