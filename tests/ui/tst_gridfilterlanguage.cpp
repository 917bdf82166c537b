#include "ui/logic/ExceptFilterConditions.h"
#include "ui/logic/FilterBarConditions.h"
#include "ui/logic/GridFilterExpression.h"

#include <QTest>

#include <array>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QStringList kHeaders{QString(),
                           QStringLiteral("PCU"),
                           QStringLiteral("Location"),
                           QStringLiteral("Alarm"),
                           QStringLiteral("ZEL Alarm"),
                           QStringLiteral("Group")};

// Four rows of a definitions grid, named A to D: two rows of one location, a location whose
// name holds accented capitals, and a general exception. Group holds numbers as text.
struct FixtureRow
{
    const char* name;
    std::array<const char*, 5> cells; // columns 1 to 5
};
const std::array<FixtureRow, 4> kRows{{
    {"A", {"Pcu1", "Kas 3", "--", "0012 - 03", "10"}},
    {"B", {"Pcu1", "Kas 3", "7: Storing ketel", "", "9"}},
    {"C", {"PCU2", "Kas \u00c9\u00e9n", "--", "", ""}},
    {"D", {"--", "General Exception", "12: Hoog", "0030 - 02", "0020 - 01"}},
}};

// The names of the rows that stay visible: all of them unless the expression parsed, as a
// grid shows every row after a failed parse.
QString keptRows(const ParsedFilter& parsed)
{
    QString kept;
    for (const FixtureRow& row : kRows) {
        const auto cell = [&row](int column) { return QString::fromUtf8(row.cells[column - 1]); };
        if (parsed.outcome != FilterParse::Parsed || rowPasses(parsed.filter, cell))
            kept += QLatin1String(row.name);
    }
    return kept;
}

QString repeated(const QString& condition, int times)
{
    QStringList parts;
    for (int i = 0; i < times; ++i)
        parts << condition;
    return parts.join(QStringLiteral(" AND "));
}

// Boxes given as (box number, text), all ticked unless the text starts with "~".
FilterBarState bar(std::initializer_list<std::pair<int, const char*>> boxes, bool hide = false,
                   bool unassigned = false)
{
    FilterBarState state;
    for (const auto& [number, text] : boxes) {
        FilterBox& box = state.boxes[number - 1];
        QString value = QString::fromUtf8(text);
        box.ticked = !value.startsWith(u'~');
        box.text = box.ticked ? value : value.mid(1);
    }
    state.hideExceptions = hide;
    state.onlyUnassigned = unassigned;
    return state;
}

// Conditions as one line each: column, test, value in quotes, link.
QStringList describe(const TGridRowFilter& filter)
{
    static const char* const tests[] = {"=", "<>", ">", "<", "like"};
    QStringList lines;
    for (const TGridFieldFilter& c : filter.conditions) {
        lines << QStringLiteral("%1 %2 \"%3\" %4")
                     .arg(c.column)
                     .arg(QLatin1String(tests[int(c.test)]), c.value,
                          QLatin1String(c.link == FilterLink::Or ? "or" : "and"));
    }
    return lines;
}

} // namespace

Q_DECLARE_METATYPE(FilterParse)
Q_DECLARE_METATYPE(FilterBarState)

class TstGridFilterLanguage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void expressionKeepsRows_data();
    void expressionKeepsRows();
    void filterBarKeepsRows_data();
    void filterBarKeepsRows();
    void typedExpressionGivesTheBarsConditions_data();
    void typedExpressionGivesTheBarsConditions();
    void exceptionBoxesGiveConditions_data();
    void exceptionBoxesGiveConditions();
    void dotRuleCorrectsBoxText_data();
    void dotRuleCorrectsBoxText();
};

void TstGridFilterLanguage::expressionKeepsRows_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<FilterParse>("outcome");
    QTest::addColumn<QString>("kept");

    const auto ok = FilterParse::Parsed;
    const auto bad = FilterParse::Invalid;
    const auto add = [](const char* name, const char* expression, FilterParse outcome,
                        const char* kept) {
        QTest::newRow(name) << QString::fromUtf8(expression) << outcome << QString::fromUtf8(kept);
    };
    add("empty expression", "", bad, "ABCD");
    add("blanks and controls only", " \t\r\n ", bad, "ABCD");
    add("no bracket", "PCU LIKE \"pcu1\"", bad, "ABCD");
    add("blank inside the column name", "[ PCU] LIKE \"pcu1\"", bad, "ABCD");
    add("column name in the wrong case", "[pcu] LIKE \"pcu1\"", bad, "ABCD");
    add("empty column name", "[] LIKE \"pcu1\"", bad, "ABCD");
    add("no closing bracket", "[PCU LIKE \"pcu1\"", bad, "ABCD");
    add("no opening quote", "[PCU] LIKE pcu1", bad, "ABCD");
    add("no closing quote", "[PCU] LIKE \"pcu1", bad, "ABCD");
    add("unknown operator", "[PCU] contains \"pcu1\"", bad, "ABCD");
    add("blank inside an operator", "[PCU] LIKE OR \"x\" [PCU] LIKE \"pcu2\"", bad, "ABCD");
    add("separator text after the last condition", "[PCU] LIKE \"pcu1\" AND", bad, "ABCD");

    add("= with an empty value keeps empty cells", "[ZEL Alarm] = \"\"", ok, "BC");
    add("= counts case", "[PCU] = \"pcu1\"", ok, "");
    add("<> keeps other cells", "[Alarm] <> \"--\"", ok, "BD");
    add("like ignores case", "[PCU] like \"pcu\"", ok, "ABC");
    add("like with an empty value hides every row", "[PCU] LIKE \"\"", ok, "");
    add("like folds accented letters", "[Location] LIKE \"\u00e9\u00e9n\"", ok, "C");
    add("like folds accented capitals", "[Location] LIKE \"\u00c9\u00c9N\"", ok, "C");
    add("mixed-case operators", "[PCU] LiKeOr \"pcu2\" [PCU] lIKe \"--\"", ok, "CD");
    add("no blanks around the operator", "[PCU]LIKE\"pcu2\"", ok, "C");
    add("many blanks around the operator", "[PCU]   like  \t \"pcu2\"", ok, "C");
    add("> compares text: 9 sorts after 10", "[Group] > \"10\"", ok, "B");
    add("< compares text: a prefix sorts first", "[Group] < \"9\"", ok, "ACD");
    add("value is taken untrimmed", "[Location] = \"Kas 3 \"", ok, "");

    add("LIKEOR then LIKE on one column keeps either",
        "[Location] LIKEOR \"\u00e9\u00e9n\" [Location] LIKE \"general\"", ok, "CD");
    add("two pairs on two columns keep one of each",
        "[PCU] LIKEOR \"pcu1\" [PCU] LIKE \"--\" [Alarm] LIKEOR \"storing\" [Alarm] LIKE \"hoog\"",
        ok, "BD");
    add("a group takes in the condition after it", "[PCU] LIKEOR \"pcu2\" [Alarm] = \"--\"", ok,
        "AC");
    add("a lone LIKEOR acts as LIKE", "[Location] LIKEOR \"kas\"", ok, "ABC");
    add("a written OR is only a separator", "[PCU] LIKE \"pcu2\" OR [Alarm] LIKE \"hoog\"", ok, "");
    add("a quote ends the value and the rest is separator",
        "[PCU] LIKE \"Pc\"u1\" [Alarm] = \"--\"", ok, "AC");
    add("a quote in the last value spoils the whole", "[PCU] LIKE \"Pcu\"1\"", bad, "ABCD");

    QTest::newRow("nine conditions are accepted")
        << repeated(QStringLiteral("[Location] LIKE \"kas\""), 9) << ok << QStringLiteral("ABC");
    QTest::newRow("ten conditions are too complex")
        << repeated(QStringLiteral("[Location] LIKE \"kas\""), 10) << FilterParse::TooComplex
        << QStringLiteral("ABCD");
    QTest::newRow("a faulty tenth condition is a syntax error")
        << repeated(QStringLiteral("[Location] LIKE \"kas\""), 9) +
               QStringLiteral(" [Location] has \"kas\"")
        << bad << QStringLiteral("ABCD");
}

void TstGridFilterLanguage::expressionKeepsRows()
{
    QFETCH(QString, expression);
    QFETCH(FilterParse, outcome);
    QFETCH(QString, kept);

    const ParsedFilter parsed = ParseFilter(expression, kHeaders);
    QCOMPARE(parsed.outcome, outcome);
    QCOMPARE(keptRows(parsed), kept);
}

void TstGridFilterLanguage::filterBarKeepsRows_data()
{
    QTest::addColumn<FilterBarState>("state");
    QTest::addColumn<bool>("built");
    QTest::addColumn<FilterParse>("outcome");
    QTest::addColumn<QString>("kept");

    const auto ok = FilterParse::Parsed;
    QTest::newRow("nothing ticked") << bar({}) << true << FilterParse::Invalid << "ABCD";
    QTest::newRow("one box") << bar({{1, "pcu1"}}) << true << ok << "AB";
    QTest::newRow("unticked box") << bar({{1, "~pcu1"}}) << true << FilterParse::Invalid << "ABCD";
    QTest::newRow("blank box") << bar({{1, " \t "}}) << true << FilterParse::Invalid << "ABCD";
    QTest::newRow("blanks around the text") << bar({{1, "  pcu2 "}}) << true << ok << "C";
    QTest::newRow("two boxes must both hold")
        << bar({{1, "pcu1"}, {3, "storing"}}) << true << ok << "B";
    QTest::newRow("accented text") << bar({{2, "\u00e9\u00e9n"}}) << true << ok << "C";
    QTest::newRow("dot is an OR") << bar({{1, "pcu1.pcu2"}}) << true << ok << "ABC";
    QTest::newRow("only the first dot counts") << bar({{1, "pcu1.pc.u2"}}) << true << ok << "ABC";
    QTest::newRow("empty side of a dot matches nothing")
        << bar({{1, "pcu2."}}) << true << ok << "C";
    QTest::newRow("empty left side") << bar({{1, ".pcu2"}}) << true << ok << "C";
    QTest::newRow("a lone dot hides every row") << bar({{1, "."}}) << true << ok << "";
    QTest::newRow("dots in two boxes")
        << bar({{1, "pcu1.--"}, {3, "storing.hoog"}}) << true << ok << "BD";
    QTest::newRow("hide exceptions") << bar({}, true) << true << ok << "AC";
    QTest::newRow("show unassigned") << bar({}, false, true) << true << ok << "BC";
    QTest::newRow("hide exceptions and show unassigned")
        << bar({}, true, true) << true << ok << "C";
    QTest::newRow("box and check boxes") << bar({{2, "kas"}}, true, true) << true << ok << "C";

    QTest::newRow("a quote shows every row")
        << bar({{1, "pcu\"1"}, {2, "kas"}}) << false << FilterParse::Invalid << "ABCD";
    QTest::newRow("a quote cannot add a condition")
        << bar({{2, "Kas 3\" [PCU] LIKE \"pcu2"}}) << false << FilterParse::Invalid << "ABCD";
    QTest::newRow("a quote cannot undo hide exceptions")
        << bar({{3, "--\" [Alarm] LIKEOR \""}}, true) << false << FilterParse::Invalid << "ABCD";
    QTest::newRow("a quote in an unticked box is ignored")
        << bar({{1, "~\""}, {2, "\u00e9\u00e9n"}}) << true << ok << "C";
    QTest::newRow("brackets are only text") << bar({{3, "[Alarm]"}}) << true << ok << "";
    QTest::newRow("brackets with an operator are only text")
        << bar({{2, "] LIKEOR [PCU] LIKE "}}) << true << ok << "";

    QTest::newRow("four dots and a box make nine conditions")
        << bar({{1, "p.-"}, {2, "kas.general"}, {3, "--.hoog"}, {4, "0012.0030"}, {5, "0"}}) << true
        << ok << "AD";
    QTest::newRow("five dots make ten conditions")
        << bar({{1, "p.-"}, {2, "kas.general"}, {3, "--.hoog"}, {4, "0012.0030"}, {5, "0.9"}})
        << true << FilterParse::TooComplex << "ABCD";
}

void TstGridFilterLanguage::filterBarKeepsRows()
{
    QFETCH(FilterBarState, state);
    QFETCH(bool, built);
    QFETCH(FilterParse, outcome);
    QFETCH(QString, kept);

    const std::optional<TGridRowFilter> conditions = filterBarConditions(state);
    QCOMPARE(conditions.has_value(), built);
    const ParsedFilter parsed = acceptFilter(conditions.value_or(TGridRowFilter{}));
    QCOMPARE(parsed.outcome, outcome);
    QCOMPARE(keptRows(parsed), kept);
}

void TstGridFilterLanguage::typedExpressionGivesTheBarsConditions_data()
{
    QTest::addColumn<FilterBarState>("state");
    QTest::addColumn<QString>("expression");

    QTest::newRow("one box") << bar({{2, " kas "}}) << u"[Location] LIKE \"kas\""_s;
    QTest::newRow("a dot") << bar({{1, "pcu1.pc.u2"}})
                           << u"[PCU] LIKEOR \"pcu1\" [PCU] LIKE \"pcu2\""_s;
    QTest::newRow("boxes and check boxes")
        << bar({{3, "storing"}, {5, "0020"}}, true, true)
        << u"[Alarm] LIKE \"storing\" [Group] LIKE \"0020\" AND [Alarm] = \"--\" AND "
           u"[ZEL Alarm] = \"\""_s;
}

// The operator's typed language and the filter bar reach the grid as the same conditions.
void TstGridFilterLanguage::typedExpressionGivesTheBarsConditions()
{
    QFETCH(FilterBarState, state);
    QFETCH(QString, expression);

    const ParsedFilter built = acceptFilter(filterBarConditions(state).value_or(TGridRowFilter{}));
    const ParsedFilter parsed = ParseFilter(expression, kHeaders);
    QCOMPARE(built.outcome, FilterParse::Parsed);
    QCOMPARE(parsed.outcome, FilterParse::Parsed);
    QCOMPARE(describe(built.filter), describe(parsed.filter));
}

void TstGridFilterLanguage::exceptionBoxesGiveConditions_data()
{
    QTest::addColumn<bool>("codeTicked");
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("textTicked");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("built");
    QTest::addColumn<QStringList>("conditions");

    QTest::newRow("nothing ticked")
        << false << u"12"_s << false << u"hoog"_s << true << QStringList();
    QTest::newRow("both boxes, stripped")
        << true << u" 12\t"_s << true << u"hoog"_s << true
        << QStringList{u"1 like \"12\" and"_s, u"2 like \"hoog\" and"_s};
    QTest::newRow("blank box gives nothing")
        << true << u"  "_s << true << u"hoog"_s << true << QStringList{u"2 like \"hoog\" and"_s};
    QTest::newRow("a dot is an ordinary character")
        << false << QString() << true << u"a.b"_s << true << QStringList{u"2 like \"a.b\" and"_s};
    QTest::newRow("a quote in a ticked box gives no filter")
        << true << u"1\"2"_s << true << u"hoog"_s << false << QStringList();
    QTest::newRow("a quote in an unticked box is ignored")
        << false << u"1\"2"_s << true << u"hoog"_s << true << QStringList{u"2 like \"hoog\" and"_s};
}

void TstGridFilterLanguage::exceptionBoxesGiveConditions()
{
    QFETCH(bool, codeTicked);
    QFETCH(QString, code);
    QFETCH(bool, textTicked);
    QFETCH(QString, text);
    QFETCH(bool, built);
    QFETCH(QStringList, conditions);

    const std::optional<TGridRowFilter> filter =
        exceptFilterConditions({codeTicked, code, 1}, {textTicked, text, 2});
    QCOMPARE(filter.has_value(), built);
    QCOMPARE(describe(filter.value_or(TGridRowFilter{})), conditions);
}

void TstGridFilterLanguage::dotRuleCorrectsBoxText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("corrected"); // null: no replacement
    QTest::addColumn<int>("newCaret");

    QTest::newRow("no dot") << "kas" << 3 << QString() << 0;
    QTest::newRow("no dot, blanks stay") << " kas " << 5 << QString() << 0;
    QTest::newRow("one dot") << "kas.ab" << 6 << QString() << 0;
    QTest::newRow("a lone dot") << "." << 1 << QString() << 0;
    QTest::newRow("second dot typed at the end") << "kas.ab." << 7 << "kas.ab" << 6;
    QTest::newRow("second dot typed inside") << "kas.ab.c" << 7 << "kas.abc" << 6;
    QTest::newRow("first dot typed before another") << "kas.ab.c" << 4 << "kas.abc" << 3;
    QTest::newRow("every later dot goes") << "a.b.c.d" << 6 << "a.bcd" << 5;
    QTest::newRow("two dots") << ".." << 2 << "." << 1;
    QTest::newRow("caret at the start stays at 0") << "x.y.z" << 0 << "x.yz" << 0;
    QTest::newRow("blanks around a dot go") << " kas.ab" << 7 << "kas.ab" << 6;
    QTest::newRow("caret beyond the new text goes to the start")
        << "  kas.ab  " << 10 << "kas.ab" << 0;
    QTest::newRow("caret one beyond the new text") << "kas.ab  " << 7 << "kas.ab" << 6;
}

void TstGridFilterLanguage::dotRuleCorrectsBoxText()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(QString, corrected);
    QFETCH(int, newCaret);

    const std::optional<DotCorrection> correction = correctFilterDots(text, caret);
    QCOMPARE(correction.has_value(), !corrected.isNull());
    if (!correction)
        return;
    QCOMPARE(correction->text, corrected);
    QCOMPARE(correction->caret, newCaret);
}

QTEST_APPLESS_MAIN(TstGridFilterLanguage)
#include "tst_gridfilterlanguage.moc"
