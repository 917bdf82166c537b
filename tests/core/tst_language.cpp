#include "core/Language.h"

#include <QTest>

class TstLanguage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { resetLanguageTable(); }
    void cleanup() { resetLanguageTable(); }

    void startState();
    void fillSetsFlag_data();
    void fillSetsFlag();

    void lookup_data();
    void lookup();

    void beforeFill_data();
    void beforeFill();

    void emptyLanguage_data();
    void emptyLanguage();

    void tableShape_data();
    void tableShape();

    void resetRestoresStartState();
};

void TstLanguage::startState()
{
    QVERIFY(!LanguageTableFilled());
}

void TstLanguage::fillSetsFlag_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("ENG") << QStringLiteral("ENG");
    QTest::newRow("NLD") << QStringLiteral("NLD");
    QTest::newRow("empty") << QString();
}

void TstLanguage::fillSetsFlag()
{
    QFETCH(QString, language);
    QVERIFY(!LanguageTableFilled());
    FillLanguageTable(language);
    QVERIFY(LanguageTableFilled());
}

// After FillLanguageTable(language), LangText(index, defaultText) == expected.
void TstLanguage::lookup_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("defaultText");
    QTest::addColumn<QString>("expected");

    const QString eng = QStringLiteral("ENG");
    const QString nld = QStringLiteral("NLD");

    // Entry 5 in both languages; the default does not matter for a filled entry.
    QTest::newRow("ENG 5") << eng << 5 << QStringLiteral("anything")
                           << QStringLiteral("Error connecting to ZelMeld");
    QTest::newRow("NLD 5") << nld << 5 << QStringLiteral("Error connecting to ZelMeld")
                           << QStringLiteral("Fout bij verbinden met ZelMeld");
    QTest::newRow("ENG 5 empty default")
        << eng << 5 << QString() << QStringLiteral("Error connecting to ZelMeld");
    // The table's text wins over a differing default.
    QTest::newRow("ENG 3 differing default")
        << eng << 3 << QStringLiteral("Attention") << QStringLiteral("Warning");

    // The last entry with a text, in both languages.
    QTest::newRow("ENG 116") << eng << 116 << QString()
                             << QStringLiteral(
                                    "These changes could not be saved and will be lost:");
    QTest::newRow("NLD 116")
        << nld << 116 << QString()
        << QStringLiteral("Deze wijzigingen konden niet worden opgeslagen en gaan verloren:");

    // Empty entries 117..120: default with a leading underscore, in both languages.
    const QString del = QStringLiteral("Delete all selected exceptions?");
    QTest::newRow("ENG 117") << eng << 117 << del
                             << QStringLiteral("_Delete all selected exceptions?");
    QTest::newRow("NLD 117") << nld << 117 << del
                             << QStringLiteral("_Delete all selected exceptions?");
    QTest::newRow("ENG 120") << eng << 120 << QStringLiteral("x") << QStringLiteral("_x");
    QTest::newRow("NLD 120") << nld << 120 << QStringLiteral("x") << QStringLiteral("_x");
    // Entry 47 is empty in both languages.
    QTest::newRow("ENG 47") << eng << 47 << QStringLiteral("Filter") << QStringLiteral("_Filter");
    QTest::newRow("NLD 47") << nld << 47 << QStringLiteral("Filter") << QStringLiteral("_Filter");
    QTest::newRow("NLD 47 empty default") << nld << 47 << QString() << QStringLiteral("_");

    // Indices outside 0..120: the default itself, without underscore (unless it is empty).
    QTest::newRow("ENG 121 Warning")
        << eng << 121 << QStringLiteral("Warning") << QStringLiteral("Warning");
    QTest::newRow("NLD 121 Warning")
        << nld << 121 << QStringLiteral("Warning") << QStringLiteral("Warning");
    QTest::newRow("ENG 121 empty") << eng << 121 << QString() << QStringLiteral("_");
    QTest::newRow("NLD 121 empty") << nld << 121 << QString() << QStringLiteral("_");
    QTest::newRow("ENG -1") << eng << -1 << QStringLiteral("Minus") << QStringLiteral("Minus");
    QTest::newRow("ENG INT_MAX") << eng << std::numeric_limits<int>::max() << QStringLiteral("Big")
                                 << QStringLiteral("Big");
    QTest::newRow("ENG INT_MIN") << eng << std::numeric_limits<int>::min()
                                 << QStringLiteral("Small") << QStringLiteral("Small");
    // Bounds of the table.
    QTest::newRow("ENG 0") << eng << 0 << QString() << QStringLiteral("Unknown");
    QTest::newRow("NLD 0") << nld << 0 << QString() << QStringLiteral("Onbekend");

    // Only exactly "NLD" selects Dutch; any other non-empty value selects English.
    QTest::newRow("DEU 5") << QStringLiteral("DEU") << 5 << QString()
                           << QStringLiteral("Error connecting to ZelMeld");
    QTest::newRow("nld 5") << QStringLiteral("nld") << 5 << QString()
                           << QStringLiteral("Error connecting to ZelMeld");
    QTest::newRow("Nld 2") << QStringLiteral("Nld") << 2 << QString()
                           << QStringLiteral("Do you really want to exit?");
    QTest::newRow("' NLD' 2") << QStringLiteral(" NLD") << 2 << QString()
                              << QStringLiteral("Do you really want to exit?");
    QTest::newRow("ENG 2") << eng << 2 << QString()
                           << QStringLiteral("Do you really want to exit?");
    QTest::newRow("NLD 2") << nld << 2 << QString()
                           << QStringLiteral("Weet u zeker dat u wilt afsluiten?");

    // Equal texts under different indices stay separate entries.
    QTest::newRow("ENG 10") << eng << 10 << QString() << QStringLiteral("Location");
    QTest::newRow("ENG 14") << eng << 14 << QString() << QStringLiteral("Location");
    QTest::newRow("NLD 10") << nld << 10 << QString() << QStringLiteral("Locatie");
    QTest::newRow("NLD 14") << nld << 14 << QString() << QStringLiteral("Locatie");
    QTest::newRow("ENG 11") << eng << 11 << QString() << QStringLiteral("Alarm");
    QTest::newRow("NLD 11") << nld << 11 << QString() << QStringLiteral("Alarm");
    QTest::newRow("ENG 13") << eng << 13 << QString() << QStringLiteral("PCU");
    QTest::newRow("ENG 15") << eng << 15 << QString() << QStringLiteral("Alarm");

    // Spot checks of exact texts.
    QTest::newRow("ENG 6") << eng << 6 << QString() << QStringLiteral("Zel PO socket error:");
    QTest::newRow("NLD 6 (no colon)")
        << nld << 6 << QString() << QStringLiteral("Zel PO socket fout");
    QTest::newRow("NLD 40") << nld << 40 << QString() << QStringLiteral("Alarm-name");
    QTest::newRow("NLD 72 (no colon)") << nld << 72 << QString() << QStringLiteral("Instellingen");
    QTest::newRow("ENG 88") << eng << 88 << QString()
                            << QStringLiteral("Zel watchdog ID (each tcp/IP client that connects "
                                              "to ZEL must have a different id):");
    QTest::newRow("NLD 88")
        << nld << 88 << QString()
        << QStringLiteral(
               "ZEL watchdog ID (elke met ZEL verbonden tcp/IP client moet een eigen ID hebben):");
    QTest::newRow("ENG 105") << eng << 105 << QString()
                             << QStringLiteral("Alarm not accepted by ZelMeld");
    QTest::newRow("NLD 105") << nld << 105 << QString()
                             << QStringLiteral("Alarm niet geaccepteerd door ZelMeld!");
    QTest::newRow("ENG 106 (trailing blank)")
        << eng << 106 << QString() << QStringLiteral("No definition found for alarm: ");
    QTest::newRow("NLD 106 (trailing blank)")
        << nld << 106 << QString() << QStringLiteral("Geen definitie gevonden bij alarm: ");
    QTest::newRow("ENG 111") << eng << 111 << QString()
                             << QStringLiteral("PO connection initialized");
    // "geïnitialiseerd" with U+00EF LATIN SMALL LETTER I WITH DIAERESIS.
    QTest::newRow("NLD 111") << nld << 111 << QString()
                             << (QStringLiteral("PO verbinding ge") + QChar(0x00EF) +
                                 QStringLiteral("nitialiseerd"));
}

void TstLanguage::lookup()
{
    QFETCH(QString, language);
    QFETCH(int, index);
    QFETCH(QString, defaultText);
    QFETCH(QString, expected);

    FillLanguageTable(language);
    QCOMPARE(LangText(index, defaultText), expected);
}

// Before FillLanguageTable every lookup yields "_" + default, in range or not.
void TstLanguage::beforeFill_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("defaultText");
    QTest::addColumn<QString>("expected");

    QTest::newRow("4 Send:") << 4 << QStringLiteral("Send:") << QStringLiteral("_Send:");
    QTest::newRow("0 empty") << 0 << QString() << QStringLiteral("_");
    QTest::newRow("115") << 115 << QStringLiteral("x") << QStringLiteral("_x");
    QTest::newRow("121") << 121 << QStringLiteral("Warning") << QStringLiteral("_Warning");
    QTest::newRow("-1") << -1 << QStringLiteral("Warning") << QStringLiteral("_Warning");
}

void TstLanguage::beforeFill()
{
    QFETCH(int, index);
    QFETCH(QString, defaultText);
    QFETCH(QString, expected);

    QVERIFY(!LanguageTableFilled());
    QCOMPARE(LangText(index, defaultText), expected);
}

// An empty language marks the table filled but leaves every entry empty.
void TstLanguage::emptyLanguage_data()
{
    beforeFill_data();
}

void TstLanguage::emptyLanguage()
{
    QFETCH(int, index);
    QFETCH(QString, defaultText);
    QFETCH(QString, expected);

    FillLanguageTable(QString());
    QVERIFY(LanguageTableFilled());
    if (index < 0 || index >= LanguageTableSize)
        expected = defaultText.isEmpty() ? QStringLiteral("_") : defaultText;
    QCOMPARE(LangText(index, defaultText), expected);
}

void TstLanguage::tableShape_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("ENG") << QStringLiteral("ENG");
    QTest::newRow("NLD") << QStringLiteral("NLD");
}

// Entries 0..116 hold a text except 47; 47 and 117..120 are empty. With an empty
// default an empty entry yields exactly "_"; a text never starts with "_".
void TstLanguage::tableShape()
{
    QFETCH(QString, language);
    FillLanguageTable(language);
    QCOMPARE(LanguageTableSize, 121);

    for (int i = 0; i < LanguageTableSize; ++i) {
        const QString text = LangText(i, QString());
        const bool shouldBeEmpty = i == 47 || i >= 117;
        if (shouldBeEmpty) {
            QVERIFY2(text == QStringLiteral("_"),
                     qPrintable(QStringLiteral("index %1: %2").arg(i).arg(text)));
        } else {
            QVERIFY2(!text.isEmpty() && !text.startsWith(QLatin1Char('_')),
                     qPrintable(QStringLiteral("index %1 is empty").arg(i)));
        }
    }
}

void TstLanguage::resetRestoresStartState()
{
    FillLanguageTable(QStringLiteral("NLD"));
    QCOMPARE(LangText(5, QString()), QStringLiteral("Fout bij verbinden met ZelMeld"));
    resetLanguageTable();
    QVERIFY(!LanguageTableFilled());
    QCOMPARE(LangText(5, QStringLiteral("Error connecting to ZelMeld")),
             QStringLiteral("_Error connecting to ZelMeld"));
    // A later empty fill does not bring back the Dutch table.
    FillLanguageTable(QString());
    QCOMPARE(LangText(5, QStringLiteral("x")), QStringLiteral("_x"));
    FillLanguageTable(QStringLiteral("ENG"));
    QCOMPARE(LangText(5, QString()), QStringLiteral("Error connecting to ZelMeld"));
}

QTEST_GUILESS_MAIN(TstLanguage)
#include "tst_language.moc"
