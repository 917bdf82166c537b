#include "TestFiles.h"
#include "XmlDump.h"
#include "store/ZelDefsExchange.h"

#include "core/Language.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kDeclaration = R"(<?xml version="1.0" encoding="ISO-8859-1"?>)";

// Location 12 with two alarms, the first with its timing; the system location with alarm 5
// under a name of the operator's own.
const QByteArray kCatalogue = R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<ZelAlarmDefinitions>
	<Location Code="12" Name="Kas">
		<Alarm Code="1" Name="Hoog" GroupDelay="30" Repeat="5"/>
		<Alarm Code="2" Name="Laag"/>
	</Location>
	<Location Code="9999" Name="Systeem">
		<Alarm Code="5" Name="Eigen" GroupDelay="0" Repeat="10"/>
	</Location>
</ZelAlarmDefinitions>)";

const QString kCatalogueDump =
    u"Location(Code=12|Name=Kas){Alarm(Code=1|Name=Hoog|GroupDelay=30|Repeat=5);"
    u"Alarm(Code=2|Name=Laag)};"
    u"Location(Code=9999|Name=Systeem){Alarm(Code=5|Name=Eigen|GroupDelay=0|Repeat=10)}"_s;

QByteArray exchange(const QByteArray& body)
{
    return kDeclaration + "\n<ZelDefinitions>" + body + "</ZelDefinitions>";
}

QString replaced(QString text, const QString& before, const QString& after)
{
    return text.replace(before, after);
}

} // namespace

class TstZelDefsExchange : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void exportWritesCodesAndNamesOnly_data();
    void exportWritesCodesAndNamesOnly();
    void exportWithoutCatalogueWritesNothing();
    void exportReportsAFailedWrite();
    void import_data();
    void import();
    void importOfAnExportChangesNothing();
    void exportImportExportGivesTheSameBytes();
    void exportNamesACodeTheImportWouldRefuse();
    void importOfAMissingOrUnreadableFile();
    void importJobWritesTheMergedCatalogueAndReadsItForTheTree_data();
    void importJobWritesTheMergedCatalogueAndReadsItForTheTree();
    void importJobWithAnUnreadableCatalogueMergesNothing();

private:
    QString filePath() const { return m_dir->filePath(u"exchange.xml"_s); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TstZelDefsExchange::init()
{
    FillLanguageTable(u"ENG"_s);
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TstZelDefsExchange::cleanup()
{
    m_dir.reset();
    resetLanguageTable();
}

void TstZelDefsExchange::exportWritesCodesAndNamesOnly_data()
{
    QTest::addColumn<QByteArray>("catalogue");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("one location with two alarms")
        << kCatalogue.left(kCatalogue.indexOf("\t<Location Code=\"9999\"")) +
               "</ZelAlarmDefinitions>"
        << exchange(R"(<Location Code="12" Name="Kas"><Alarm Code="1" Name="Hoog"/>)"
                    R"(<Alarm Code="2" Name="Laag"/></Location>)");
    QTest::newRow("empty catalogue")
        << QByteArray("<ZelAlarmDefinitions/>") << kDeclaration + "\n<ZelDefinitions/>";
    QTest::newRow("catalogue order and missing attributes kept")
        << QByteArray(R"(<ZelAlarmDefinitions><Location Code="7" Name="B"/>)"
                      R"(<Location Name="no code"><Alarm Code="3"/></Location>)"
                      R"(<Location Code="1" Name="A"/></ZelAlarmDefinitions>)")
        << exchange(R"(<Location Code="7" Name="B"/><Location Name="no code">)"
                    R"(<Alarm Code="3"/></Location><Location Code="1" Name="A"/>)");
    // Every element below the root is a location, every one below that an alarm.
    QTest::newRow("element names below the root are not looked at")
        << QByteArray(R"(<ZelAlarmDefinitions><Other Code="4" Name="x" Extra="y">)"
                      R"(<Thing Code="2" Name="z" GroupDelay="9"/></Other></ZelAlarmDefinitions>)")
        << exchange(R"(<Location Code="4" Name="x"><Alarm Code="2" Name="z"/></Location>)");
    QTest::newRow("ISO-8859-1 bytes and references beyond it")
        << QByteArray("<ZelAlarmDefinitions><Location Code=\"3\" Name=\"Kas "
                      "\xc3\xa9\xe2\x82\xac &amp; &quot;\"/></ZelAlarmDefinitions>")
        << exchange("<Location Code=\"3\" Name=\"Kas \xe9&#8364; &amp; &quot;\"/>");
}

void TstZelDefsExchange::exportWritesCodesAndNamesOnly()
{
    QFETCH(QByteArray, catalogue);
    QFETCH(QByteArray, written);

    QVERIFY(writeFile(filePath(), "an older export"));
    const auto zelDefs = ParseDocument(catalogue);
    const ZelExportResult result = ExportZelDefs(*zelDefs, filePath());
    QVERIFY2(result.ok(), qPrintable(result.reason));
    QCOMPARE(readFile(filePath()), written);
}

void TstZelDefsExchange::exportWithoutCatalogueWritesNothing()
{
    const auto zelDefs =
        ParseDocument(R"(<ZelDefinitions><Location Code="1" Name="A"/></ZelDefinitions>)");
    QCOMPARE(ExportZelDefs(*zelDefs, filePath()).outcome, ZelExportResult::NoCatalogue);
    QVERIFY(!QFile::exists(filePath()));

    const auto empty = ParseDocument({});
    QCOMPARE(ExportZelDefs(*empty, filePath()).outcome, ZelExportResult::NoCatalogue);
    QVERIFY(!QFile::exists(filePath()));
}

void TstZelDefsExchange::exportReportsAFailedWrite()
{
    QVERIFY(QDir().mkpath(filePath())); // a directory where the file should go
    const auto zelDefs = ParseDocument(kCatalogue);
    const ZelExportResult result = ExportZelDefs(*zelDefs, filePath());
    QCOMPARE(result.outcome, ZelExportResult::WriteFailed);
    QVERIFY(!result.reason.isEmpty());
}

void TstZelDefsExchange::import_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("renamed");

    const auto row = [](const char* name, const QByteArray& file, ZelImportResult::Outcome outcome,
                        const QString& catalogue, int added = 0, int renamed = 0) {
        QTest::newRow(name) << file << int(outcome) << catalogue << added << renamed;
    };
    const auto imported = ZelImportResult::Imported;
    const auto refused = ZelImportResult::IncorrectStructure;

    row("new location with alarms is added",
        exchange(R"(<Location Code="20" Name="Nieuw"><Alarm Code="1" Name="Een"/></Location>)"),
        imported, kCatalogueDump + u";Location(Code=20|Name=Nieuw){Alarm(Code=1|Name=Een)}"_s, 2);
    row("existing names are overwritten, timing kept",
        exchange(R"(<Location Code="12" Name="Kas 12"><Alarm Code="1" Name="High"/>)"
                 R"(<Alarm Code="3" Name="Drie"/></Location>)"),
        imported,
        replaced(replaced(kCatalogueDump, u"Name=Kas}"_s, u"Name=Kas 12}"_s), u"Name=Kas"_s,
                 u"Name=Kas 12"_s)
            .replace(u"Name=Hoog"_s, u"Name=High"_s)
            .replace(u"Name=Laag)"_s, u"Name=Laag);Alarm(Code=3|Name=Drie)"_s),
        1, 2);
    row("nothing is deleted", exchange({}), imported, kCatalogueDump);
    row("location codes 0 and 10000 add nothing",
        exchange(R"(<Location Code="0" Name="Nul"><Alarm Code="1" Name="a"/></Location>)"
                 R"(<Location Code="10000" Name="Groot"><Alarm Code="1" Name="b"/></Location>)"),
        imported, kCatalogueDump);
    row("alarm codes 0, 100 and -1 are skipped",
        exchange(R"(<Location Code="12" Name="Kas"><Alarm Code="0" Name="a"/>)"
                 R"(<Alarm Code="100" Name="b"/><Alarm Code="-1" Name="c"/>)"
                 R"(<Alarm Code="99" Name="d"/></Location>)"),
        imported, replaced(kCatalogueDump, u"Name=Laag)"_s, u"Name=Laag);Alarm(Code=99|Name=d)"_s),
        1);
    row("a number too large for any range is skipped",
        exchange(R"(<Location Code="123456789012345678901234567890" Name="x"/>)"), imported,
        kCatalogueDump);
    row("elements without Code or Name are skipped",
        exchange(R"(<Location Code="30"/><Location Name="Geen code"/>)"
                 R"(<Location Code="12" Name="Kas"><Alarm Code="4"/><Alarm Name="x"/></Location>)"),
        imported, kCatalogueDump);
    // Its alarms still go under an existing location with the same code text.
    row("a location without Name still brings its alarms",
        exchange(R"(<Location Code="12"><Alarm Code="4" Name="Vier"/></Location>)"
                 R"(<Location Code="31"><Alarm Code="1" Name="Nergens"/></Location>)"),
        imported,
        replaced(kCatalogueDump, u"Name=Laag)"_s, u"Name=Laag);Alarm(Code=4|Name=Vier)"_s), 1);
    row("system alarms: 5 kept, 8 and 9 named from the language table, others as given",
        exchange(R"(<Location Code="9999" Name="ZEL systeem"><Alarm Code="5" Name="file five"/>)"
                 R"(<Alarm Code="8" Name="file eight"/><Alarm Code="9" Name="file nine"/>)"
                 R"(<Alarm Code="7" Name="file seven"/></Location>)"),
        imported,
        replaced(kCatalogueDump, u"Name=Systeem"_s, u"Name=ZEL systeem"_s).chopped(1) +
            u";Alarm(Code=8|Name=Priva Office Interface System Error)"
            u";Alarm(Code=9|Name=Priva Office Interface Config Error)"
            u";Alarm(Code=7|Name=file seven)}"_s,
        3, 1);
    row("a system alarm code written with a leading zero is the existing one, kept",
        exchange(R"(<Location Code="9999" Name="S"><Alarm Code="05" Name="x"/></Location>)"),
        imported, replaced(kCatalogueDump, u"Name=Systeem"_s, u"Name=S"_s), 0, 1);
    row("a system alarm code written with a leading zero is named from the table",
        exchange(R"(<Location Code="9999" Name="S"><Alarm Code="09" Name="x"/></Location>)"),
        imported,
        replaced(kCatalogueDump, u"Name=Systeem"_s, u"Name=S"_s).chopped(1) +
            u";Alarm(Code=9|Name=Priva Office Interface Config Error)}"_s,
        1, 1);
    // Codes are numbers: other forms of 12 and 1 name the existing ones, and what is added is
    // written plain.
    row("a leading zero names the same location and alarm",
        exchange(R"(<Location Code="012" Name="Kas nul"><Alarm Code="01" Name="a"/></Location>)"),
        imported,
        replaced(kCatalogueDump, u"Name=Kas)"_s, u"Name=Kas nul)"_s)
            .replace(u"Name=Hoog"_s, u"Name=a"_s),
        0, 2);
    row("a sign and blanks name the same location; new codes are written plain",
        exchange(R"(<Location Code=" +12 " Name="Kas"><Alarm Code="+0007" Name="Zeven"/>)"
                 R"(</Location><Location Code="0040" Name="Veertig"/>)"),
        imported,
        replaced(kCatalogueDump, u"Name=Laag)"_s, u"Name=Laag);Alarm(Code=7|Name=Zeven)"_s) +
            u";Location(Code=40|Name=Veertig)"_s,
        2);
    row("two forms of one code in the file are one location",
        exchange(R"(<Location Code="50" Name="Eerst"/><Location Code="050" Name="Later"/>)"),
        imported, kCatalogueDump + u";Location(Code=50|Name=Later)"_s, 1, 1);
    row("element names below the root are not looked at",
        exchange(R"(<Plaats Code="40" Name="P"><Melding Code="2" Name="M"/></Plaats>)"), imported,
        kCatalogueDump + u";Location(Code=40|Name=P){Alarm(Code=2|Name=M)}"_s, 2);
    row("names are read in the declared encoding",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><ZelDefinitions>"
        "<Location Code=\"41\" Name=\"K\xe9\xe9n\"/></ZelDefinitions>",
        imported, kCatalogueDump + u";Location(Code=41|Name=K\u00e9\u00e9n)"_s, 1);

    row("another root is refused",
        "<ZelAlarmDefinitions><Location Code=\"20\" Name=\"x\"/></ZelAlarmDefinitions>", refused,
        kCatalogueDump);
    row("not well-formed XML is refused",
        exchange(R"(<Location Code="20" Name="x"><Alarm Code="1" Name="a"></Location>)"), refused,
        kCatalogueDump);
    row("a location code that is no whole number refuses the whole file",
        exchange(R"(<Location Code="20" Name="Eerst"/><Location Code="2x" Name="x"/>)"), refused,
        kCatalogueDump);
    row("an alarm code that is no whole number refuses the whole file",
        exchange(R"(<Location Code="12" Name="Andere naam"><Alarm Code="1" Name="y"/>)"
                 R"(<Alarm Code="3.0" Name="z"/></Location>)"),
        refused, kCatalogueDump);
    row("an empty code is no whole number", exchange(R"(<Location Code="" Name="x"/>)"), refused,
        kCatalogueDump);
}

void TstZelDefsExchange::import()
{
    QFETCH(QByteArray, file);
    QFETCH(int, outcome);
    QFETCH(QString, catalogue);
    QFETCH(int, added);
    QFETCH(int, renamed);

    QVERIFY(writeFile(filePath(), file));
    const auto zelDefs = ParseDocument(kCatalogue);
    const ZelImportResult result = ImportZelDefs(*zelDefs, filePath());
    QCOMPARE(int(result.outcome), outcome);
    QCOMPARE(DumpChildren(zelDefs->root()), catalogue);
    QCOMPARE(result.ok(), result.reason.isEmpty());
    QCOMPARE(result.added, added);
    QCOMPARE(result.renamed, renamed);
}

void TstZelDefsExchange::importOfAnExportChangesNothing()
{
    const auto zelDefs = ParseDocument(kCatalogue);
    QVERIFY(ExportZelDefs(*zelDefs, filePath()).ok());
    const ZelImportResult result = ImportZelDefs(*zelDefs, filePath());
    QVERIFY2(result.ok(), qPrintable(result.reason));
    QCOMPARE(DumpChildren(zelDefs->root()), kCatalogueDump);
    QCOMPARE(result.added, 0);
    QCOMPARE(result.renamed, 0);
}

// Latin-1 names, a code written with a sign and a leading zero: what the export writes comes
// back through the import into an empty catalogue and goes out again byte for byte.
void TstZelDefsExchange::exportImportExportGivesTheSameBytes()
{
    const auto zelDefs =
        ParseDocument("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><ZelAlarmDefinitions>"
                      "<Location Code=\"+012\" Name=\"Kas \xe9\xe9n &amp; tw\xe9"
                      "e\">"
                      "<Alarm Code=\"01\" Name=\"Temp\xe9ratuur \xb0"
                      "C\" GroupDelay=\"30\"/>"
                      "<Alarm Code=\"2\" Name=\"&quot;Stra\xdf\xe9&quot;\"/></Location>"
                      "<Location Code=\"40\" Name=\"\xc6r\xf8\"/></ZelAlarmDefinitions>");
    const QString first = filePath();
    QVERIFY(ExportZelDefs(*zelDefs, first).ok());
    const QByteArray written = readFile(first);
    QVERIFY2(written.contains("<Location Code=\"12\" Name=\"Kas \xe9\xe9n &amp; tw\xe9"
                              "e\">"),
             written.constData());

    const auto empty = ParseDocument("<ZelAlarmDefinitions/>");
    const ZelImportResult imported = ImportZelDefs(*empty, first);
    QVERIFY2(imported.ok(), qPrintable(imported.reason));
    QCOMPARE(imported.added, 4);
    const QString second = first + u".again"_s;
    QVERIFY(ExportZelDefs(*empty, second).ok());
    QCOMPARE(readFile(second), written);
}

// A code only a hand edit can leave behind: the export writes nothing the import would refuse,
// and says which element it is.
void TstZelDefsExchange::exportNamesACodeTheImportWouldRefuse()
{
    const auto zelDefs = ParseDocument("<ZelAlarmDefinitions><Location Code='12' Name='Kas'>"
                                       "<Alarm Code='1a' Name='Fout'/></Location>"
                                       "</ZelAlarmDefinitions>");
    const ZelExportResult result = ExportZelDefs(*zelDefs, filePath());
    QCOMPARE(result.outcome, ZelExportResult::BadCode);
    QCOMPARE(result.reason, u"Code \"1a\" of Alarm \"Fout\" is not a whole number"_s);
    QVERIFY(!QFile::exists(filePath()));
}

void TstZelDefsExchange::importOfAMissingOrUnreadableFile()
{
    const auto zelDefs = ParseDocument(kCatalogue);
    QCOMPARE(ImportZelDefs(*zelDefs, filePath()).outcome, ZelImportResult::FileNotFound);

    QVERIFY(QDir().mkpath(filePath()));
    const ZelImportResult directory = ImportZelDefs(*zelDefs, filePath());
    QCOMPARE(directory.outcome, ZelImportResult::Unreadable);
    QVERIFY(!directory.reason.isEmpty());
    QCOMPARE(DumpChildren(zelDefs->root()), kCatalogueDump);
}

namespace {

// The tree's view of a catalogue: "code name: code name, ...; ...". The job gives the
// locations; their alarms are read from its catalogue as the tree reads them when shown, and a
// location that says it has none while it has some (or the other way round) is marked.
QString entriesText(const ZelImportJob& job)
{
    QStringList locations;
    for (const ZelLocationEntry& location : job.entries) {
        QStringList alarms;
        const ZelItemKey key{location.code, 0, location.invalidCode};
        for (const ZelAlarmEntry& alarm : readZelAlarms(*job.catalogue, key))
            alarms << QString::number(alarm.code) + u' ' + QString::fromStdString(alarm.name);
        const QString mark = location.hasAlarms == !alarms.isEmpty() ? QString() : u"(!)"_s;
        locations << QString::number(location.code) + u' ' + QString::fromStdString(location.name) +
                         mark + u": "_s + alarms.join(u", "_s);
    }
    return locations.join(u"; "_s);
}

} // namespace

void TstZelDefsExchange::importJobWritesTheMergedCatalogueAndReadsItForTheTree_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no file chosen
    QTest::addColumn<int>("outcome");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QString>("catalogue"); // in memory and on disk afterwards
    QTest::addColumn<QString>("entries");

    const QString unchanged = u"12 Kas: 1 Hoog, 2 Laag; 9999 Systeem: 5 Eigen"_s;
    QTest::newRow("added and renamed: written back")
        << exchange(R"(<Location Code="12" Name="Kas Noord"><Alarm Code="3" Name="Drie"/>)"
                    R"(</Location><Location Code="20" Name="Nieuw"/>)")
        << int(ZelImportResult::Imported) << true
        << u"Location(Code=12|Name=Kas Noord){Alarm(Code=1|Name=Hoog|GroupDelay=30|Repeat=5);"
           u"Alarm(Code=2|Name=Laag);Alarm(Code=3|Name=Drie)};"
           u"Location(Code=9999|Name=Systeem){Alarm(Code=5|Name=Eigen|GroupDelay=0|Repeat=10)};"
           u"Location(Code=20|Name=Nieuw)"_s
        << u"12 Kas Noord: 1 Hoog, 2 Laag, 3 Drie; 9999 Systeem: 5 Eigen; 20 Nieuw: "_s;
    QTest::newRow("nothing new: not written")
        << exchange(R"(<Location Code="12" Name="Kas"><Alarm Code="1" Name="Hoog"/></Location>)")
        << int(ZelImportResult::Imported) << false << kCatalogueDump << unchanged;
    QTest::newRow("refused file: not written")
        << exchange(R"(<Location Code="20" Name="Nieuw"/><Location Code="x" Name="y"/>)")
        << int(ZelImportResult::IncorrectStructure) << false << kCatalogueDump << unchanged;
    QTest::newRow("no file chosen: read for the tree only")
        << QByteArray() << int(ZelImportResult::Imported) << false << kCatalogueDump << unchanged;
}

// The import away from the catalogue's owner reads the catalogue's file, writes it back only
// when the file changed it, and gives the tree what the catalogue then holds.
void TstZelDefsExchange::importJobWritesTheMergedCatalogueAndReadsItForTheTree()
{
    QFETCH(QByteArray, file);
    QFETCH(int, outcome);
    QFETCH(bool, changed);
    QFETCH(QString, catalogue);
    QFETCH(QString, entries);

    const QString cataloguePath = m_dir->filePath(u"ZelDefs.xml"_s);
    QVERIFY(writeFile(cataloguePath, kCatalogue));
    if (!file.isEmpty())
        QVERIFY(writeFile(filePath(), file));
    ZelImportJob job = RunZelImport(cataloguePath, file.isEmpty() ? QString() : filePath());
    QCOMPARE(int(job.result.outcome), outcome);
    QVERIFY(job.catalogueProblem.isEmpty());
    QCOMPARE(job.changed, changed);
    QVERIFY2(job.saved.ok(), qPrintable(job.saved.reason));
    QVERIFY(job.catalogue);
    QCOMPARE(DumpChildren(job.catalogue->root()), catalogue);
    QCOMPARE(entriesText(job), entries);

    const QByteArray onDisk = readFile(cataloguePath);
    if (!changed)
        QCOMPARE(onDisk, kCatalogue);
    XmlDocumentHandle reread;
    QVERIFY(OpenXmlDocument(reread, cataloguePath, "ZelAlarmDefinitions"));
    QCOMPARE(DumpChildren(reread->root()), catalogue);
}

void TstZelDefsExchange::importJobWithAnUnreadableCatalogueMergesNothing()
{
    const QString cataloguePath = m_dir->filePath(u"ZelDefs.xml"_s);
    QVERIFY(QDir().mkpath(cataloguePath));
    QVERIFY(writeFile(filePath(), exchange(R"(<Location Code="20" Name="Nieuw"/>)")));
    const ZelImportJob job = RunZelImport(cataloguePath, filePath());
    QVERIFY(!job.catalogueProblem.isEmpty());
    QVERIFY(!job.catalogue);
    QVERIFY(!job.changed);
    QVERIFY(job.entries.empty());
    QVERIFY(QFileInfo(cataloguePath).isDir());
}

QTEST_MAIN(TstZelDefsExchange)
#include "tst_zeldefsexchange.moc"
