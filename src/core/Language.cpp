#include "Language.h"

#include <atomic>
#include <iterator>

namespace {

// The source tables. Texts and indices are fixed: operators and peers know
// them letter for letter. The file is UTF-8 (entry 111 in Dutch holds a non-ASCII letter).
constexpr const char16_t* kEnglish[] = {
    /*   0 */ u"Unknown",
    /*   1 */ u"Priva Office alarms will no longer be sent to ZEL-Pro!",
    /*   2 */ u"Do you really want to exit?",
    /*   3 */ u"Warning",
    /*   4 */ u"Send:",
    /*   5 */ u"Error connecting to ZelMeld",
    /*   6 */ u"Zel PO socket error:",
    /*   7 */ u"Problem cleaning up in ZelMeldSocket",
    /*   8 */ u"Delete this location completely?",
    /*   9 */ u"Delete this alarm?",
    /*  10 */ u"Location",
    /*  11 */ u"Alarm",
    /*  12 */ u"This code already exists!",
    /*  13 */ u"PCU",
    /*  14 */ u"Location",
    /*  15 */ u"Alarm",
    /*  16 */ u"ZEL Alarm",
    /*  17 */ u"General Exception",
    /*  18 */ u"Delete all selected exceptions and locations?",
    /*  19 */ u"XML file",
    /*  20 */ u"Save XML file",
    /*  21 */ u"All files",
    /*  22 */ u"Open XML file",
    /*  23 */ u"File not found:",
    /*  24 */ u"Priva Office Interface Connection Lost",
    /*  25 */ u"Priva Office Interface System Error",
    /*  26 */ u"Priva Office Interface Config Error",
    /*  27 */ u"Incorrect file structure",
    /*  28 */ u"Application running",
    /*  29 */ u"Collect alarm definitions",
    /*  30 */ u"Undefined links found!",
    /*  31 */ u"Timeout collecting definitions!",
    /*  32 */ u"Timeout collecting alarms!",
    /*  33 */ u"Error communicating with PO server",
    /*  34 */ u"Error getting data from Priva Office",
    /*  35 */ u"Location",
    /*  36 */ u"Location-code",
    /*  37 */ u"Location-name",
    /*  38 */ u"Alarm",
    /*  39 */ u"Alarm-code",
    /*  40 */ u"Alarm-name",
    /*  41 */ u"Cancel",
    /*  42 */ u"OK",
    /*  43 */ u"Add",
    /*  44 */ u"Edit",
    /*  45 */ u"Code",
    /*  46 */ u"Text",
    /*  47 */ u"",
    /*  48 */ u"Filter",
    /*  49 */ u"Add Exceptions",
    /*  50 */ u"nr",
    /*  51 */ u"text",
    /*  52 */ u"Add only to the selected location(s)",
    /*  53 */ u"Add as general exception (independent from locations)",
    /*  54 */ u"Cancel",
    /*  55 */ u"Add Selection",
    /*  56 */ u"Link configuration",
    /*  57 */ u"ZEL-Pro tcp/IP settings",
    /*  58 */ u"Priva Office / Other settings",
    /*  59 */ u"Priva Office Locations",
    /*  60 */ u"Zel Locations and Alarms",
    /*  61 */ u"Refresh Priva Office definitions",
    /*  62 */ u"Add exception",
    /*  63 */ u"Remove selected exceptions",
    /*  64 */ u"Assign alarm to selected items",
    /*  65 */ u"Add alarm or location",
    /*  66 */ u"Delete selected alarm or location",
    /*  67 */ u"Edit selected alarm or location",
    /*  68 */ u"Import locations and alarms from ZEL-Pro",
    /*  69 */ u"Export locations and alarms to ZEL-Pro",
    /*  70 */ u"Filter:",
    /*  71 */ u"Hide exceptions",
    /*  72 */ u"Settings:",
    /*  73 */ u"ZEL-Pro server hostname or IP address:",
    /*  74 */ u"IP port",
    /*  75 */ u"Test",
    /*  76 */ u"Location",
    /*  77 */ u"Alarm",
    /*  78 */ u"State",
    /*  79 */ u"Send test",
    /*  80 */ u"Clear window",
    /*  81 */ u"PO server hostname or IP address:",
    /*  82 */ u"After changing settings, ZelPO MUST be restarted.",
    /*  83 */ u"Language:",
    /*  84 */ u"Importing can result in location- and alarmnames being overwritten.",
    /*  85 */ u"Continue?",
    /*  86 */ u"Send PCU names to ZEL when sending alarms",
    /*  87 */ u"Recv:",
    /*  88 */
    u"Zel watchdog ID (each tcp/IP client that connects to ZEL must have a different id):",
    /*  89 */ u"Definitions collected from Priva Office",
    /*  90 */ u"Alarm status changed",
    /*  91 */ u"Error writing status",
    /*  92 */ u"Show unassigned alarms",
    /*  93 */ u"Filter punctuation from alarm texts",
    /*  94 */ u"Group",
    /*  95 */ u"Delay",
    /*  96 */ u"Assign group alarm to selected items",
    /*  97 */ u"Type",
    /*  98 */ u"Number",
    /*  99 */ u"Description",
    /* 100 */ u"Group delay",
    /* 101 */ u"seconds",
    /* 102 */ u"Delete group alarm from selected items",
    /* 103 */ u"PreAlarm",
    /* 104 */ u"Group timeout passed",
    /* 105 */ u"Alarm not accepted by ZelMeld",
    /* 106 */ u"No definition found for alarm: ",
    /* 107 */ u"Repeat interval",
    /* 108 */ u"minutes",
    /* 109 */ u"Alarm still active, repeated by ZelPO",
    /* 110 */ u"Repeat group",
    /* 111 */ u"PO connection initialized",
    /* 112 */ u"File too large to import:",
    /* 113 */ u"Not linked:",
    /* 114 */ u"%1 other links name a ZEL alarm that does not exist. Clear them as well?",
    /* 115 */ u"This code is not a whole number: edit or delete it",
    /* 116 */ u"These changes could not be saved and will be lost:",
    /* 117 */ u"",
    /* 118 */ u"",
    /* 119 */ u"",
    /* 120 */ u"",
};

constexpr const char16_t* kDutch[] = {
    /*   0 */ u"Onbekend",
    /*   1 */ u"Priva Office Alarmen zullen niet meer worden doorgestuurd naar ZEL-Pro!",
    /*   2 */ u"Weet u zeker dat u wilt afsluiten?",
    /*   3 */ u"Waarschuwing",
    /*   4 */ u"Verstuur:",
    /*   5 */ u"Fout bij verbinden met ZelMeld",
    /*   6 */ u"Zel PO socket fout",
    /*   7 */ u"Probleem bij opschonen in ZelMeldSocket",
    /*   8 */ u"Deze locatie volledig verwijderen?",
    /*   9 */ u"Dit alarm verwijderen?",
    /*  10 */ u"Locatie",
    /*  11 */ u"Alarm",
    /*  12 */ u"De code bestaat reeds!",
    /*  13 */ u"PCU",
    /*  14 */ u"Locatie",
    /*  15 */ u"Alarm",
    /*  16 */ u"ZEL Alarm",
    /*  17 */ u"Algemene uitzondering",
    /*  18 */ u"Alle geselecteerde uitzonderingen en lokaties verwijderen?",
    /*  19 */ u"XML bestand",
    /*  20 */ u"XML bestand opslaan",
    /*  21 */ u"Alle bestanden",
    /*  22 */ u"XML bestand openen",
    /*  23 */ u"Bestand niet gevonden:",
    /*  24 */ u"Priva Office Koppeling Verbinding verbroken",
    /*  25 */ u"Priva Office Koppeling Systeemfout",
    /*  26 */ u"Priva Office Koppeling Instelfout",
    /*  27 */ u"Onjuiste bestandsindeling",
    /*  28 */ u"Programma actief",
    /*  29 */ u"Alarmdefinities ophalen",
    /*  30 */ u"Niet-gekoppelde alarmen gevonden!",
    /*  31 */ u"Wachttijd verstreken bij ophalen van definities",
    /*  32 */ u"Wachttijd verstreken bij ophalen van actuele alarmen",
    /*  33 */ u"Fout tijdens communicatie met PO Server",
    /*  34 */ u"Fout bij ophalen gegevens van Priva Office",
    /*  35 */ u"Locatie",
    /*  36 */ u"Locatiecode",
    /*  37 */ u"Locatienaam",
    /*  38 */ u"Alarm",
    /*  39 */ u"Alarm-code",
    /*  40 */ u"Alarm-name",
    /*  41 */ u"Annuleren",
    /*  42 */ u"OK",
    /*  43 */ u"Toevoegen",
    /*  44 */ u"Bewerken",
    /*  45 */ u"Code",
    /*  46 */ u"Tekst",
    /*  47 */ u"",
    /*  48 */ u"Filter",
    /*  49 */ u"Uitzonderingen toevoegen",
    /*  50 */ u"nr",
    /*  51 */ u"tekst",
    /*  52 */ u"Toevoegen aan geselecteerde locatie(s)",
    /*  53 */ u"Toevoegen als algemene uitzondering (onafhankelijk van locaties)",
    /*  54 */ u"Annuleren",
    /*  55 */ u"Selectie toevoegen",
    /*  56 */ u"Koppeling instellen",
    /*  57 */ u"ZEL-Pro tcp/IP koppeling",
    /*  58 */ u"Priva Office / overige instellingen",
    /*  59 */ u"Priva Office Locaties",
    /*  60 */ u"ZEL-Pro Locaties en Alarmen",
    /*  61 */ u"Ververs Priva Office definities",
    /*  62 */ u"Uitzonderingen toevoegen",
    /*  63 */ u"Verwijder geselecteerde uitzonderingen",
    /*  64 */ u"Alarm toekennen aan geselecteerde definities",
    /*  65 */ u"Alarm of locatie toevoegen",
    /*  66 */ u"Verwijder geselecteerd alarm of locatie",
    /*  67 */ u"Wijzig geselecteerd alarm of locatie",
    /*  68 */ u"Importeer locaties en alarmen uit ZEL-Pro",
    /*  69 */ u"Exporteer locaties en alarmen naar ZEL-Pro",
    /*  70 */ u"Filter:",
    /*  71 */ u"Verberg uitzonderingen",
    /*  72 */ u"Instellingen",
    /*  73 */ u"ZEL-Pro servernaam of IP adres",
    /*  74 */ u"IP poort",
    /*  75 */ u"Test",
    /*  76 */ u"Locatie",
    /*  77 */ u"Alarm",
    /*  78 */ u"Status",
    /*  79 */ u"Verstuur test",
    /*  80 */ u"Wis scherm",
    /*  81 */ u"PO Server naam of IP adres",
    /*  82 */ u"Na wijzigen van instellingen MOET ZelPO opnieuw gestart worden",
    /*  83 */ u"Taal:",
    /*  84 */ u"Bij het importeren kunnen locatie- en alarmnamen overschreven worden.",
    /*  85 */ u"Doorgaan?",
    /*  86 */ u"Verstuur PCU namen naar ZEL bij het versturen van alarmen",
    /*  87 */ u"Ontv:",
    /*  88 */ u"ZEL watchdog ID (elke met ZEL verbonden tcp/IP client moet een eigen ID hebben):",
    /*  89 */ u"Definities opgehaald uit Priva Office",
    /*  90 */ u"Alarm status gewijzigd",
    /*  91 */ u"Fout bij schrijven status",
    /*  92 */ u"Toon niet-gekoppelde alarmen",
    /*  93 */ u"Filter leestekens uit alarmteksten",
    /*  94 */ u"Groep",
    /*  95 */ u"Tijd",
    /*  96 */ u"Groepsalarm toekennen aan geselecteerde definities",
    /*  97 */ u"Type",
    /*  98 */ u"Nummer",
    /*  99 */ u"Omschrijving",
    /* 100 */ u"Groepsvertraging",
    /* 101 */ u"seconden",
    /* 102 */ u"Verwijder groepsalarm bij geselecteerde definities",
    /* 103 */ u"Voormelding",
    /* 104 */ u"Wachttijd voor groep verstreken",
    /* 105 */ u"Alarm niet geaccepteerd door ZelMeld!",
    /* 106 */ u"Geen definitie gevonden bij alarm: ",
    /* 107 */ u"Herhaaltijd",
    /* 108 */ u"minuten",
    /* 109 */ u"Alarm nog steeds actief, wordt herhaald door ZelPO",
    /* 110 */ u"Herhaal groep",
    /* 111 */ u"PO verbinding geïnitialiseerd",
    /* 112 */ u"Bestand te groot om te importeren:",
    /* 113 */ u"Niet gekoppeld:",
    /* 114 */
    u"%1 andere koppelingen verwijzen naar een ZEL alarm dat niet bestaat. Deze ook wissen?",
    /* 115 */ u"Deze code is geen geheel getal: wijzig of verwijder deze",
    /* 116 */ u"Deze wijzigingen konden niet worden opgeslagen en gaan verloren:",
    /* 117 */ u"",
    /* 118 */ u"",
    /* 119 */ u"",
    /* 120 */ u"",
};

static_assert(std::size(kEnglish) == LanguageTableSize, "English table must have 121 entries");
static_assert(std::size(kDutch) == LanguageTableSize, "Dutch table must have 121 entries");

// Entries 0..116 hold texts (except 47, empty in both languages); 117..120 are empty.
constexpr bool tableShapeOk(const char16_t* const (&table)[LanguageTableSize])
{
    for (int i = 0; i < LanguageTableSize; ++i) {
        if (table[i] == nullptr)
            return false;
        const bool empty = table[i][0] == u'\0';
        const bool shouldBeEmpty = i == 47 || i >= 117;
        if (empty != shouldBeEmpty)
            return false;
    }
    return true;
}
static_assert(tableShapeOk(kEnglish), "English table: wrong empty/non-empty entries");
static_assert(tableShapeOk(kDutch), "Dutch table: wrong empty/non-empty entries");

// The active table is one of the constant source tables, so "copying" it is
// selecting it; nullptr stands for the all-empty table of program start.
// Atomics because texts are looked up from the worker threads as well.
std::atomic<const char16_t* const*> g_active{nullptr};
std::atomic<bool> g_filled{false};

} // namespace

void FillLanguageTable(const QString& language)
{
    // Published last, so that a concurrent reader never sees "filled"
    // together with a stale table.
    if (!language.isEmpty())
        g_active.store(language == u"NLD" ? kDutch : kEnglish, std::memory_order_release);
    g_filled.store(true, std::memory_order_release);
}

QString LangText(int index, const QString& defaultText)
{
    QString result;
    if (g_filled.load(std::memory_order_acquire)) {
        if (index < 0 || index >= LanguageTableSize) {
            result = defaultText;
        } else if (const char16_t* const* table = g_active.load(std::memory_order_acquire)) {
            result = QString::fromUtf16(table[index]);
        }
    }
    if (result.isEmpty())
        result = QLatin1Char('_') + defaultText;
    return result;
}

bool LanguageTableFilled()
{
    return g_filled.load(std::memory_order_acquire);
}

bool languageIsDutch()
{
    return g_active.load(std::memory_order_acquire) == kDutch;
}

void resetLanguageTable()
{
    g_filled.store(false, std::memory_order_release);
    g_active.store(nullptr, std::memory_order_release);
}
