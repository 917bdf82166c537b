#include "ui/pages/DefinitionsGrid.h"
#include "ui/pages/LinkConfigPage.h"

#include "core/Language.h"
#include "store/XmlDocument.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

// Rows, by index: 0 location Kas12 and 1 its exception; 2 an unassigned location with the
// placeholder pcu and 3, 4 its exceptions; 5 and 6 locations; 7 a general exception.
const QByteArray kLinkDefs = R"(<ZelPOLinkDefs>
<PO_Locations>
  <PO_loc pcu="Kas12" text="Noord" zel_alarm="0012 - 01" zel_group="0020 - 01">
    <Except nr="4" text="Hoog" zel_alarm="0012 - 04"/>
  </PO_loc>
  <PO_loc pcu="-\-" text="-\-" zel_alarm="0">
    <Except nr="5" zel_alarm="0"/>
    <Except nr="6" text="Laag" zel_group="0"/>
  </PO_loc>
  <PO_loc pcu="AB-3" text="Kas &#201;&#233;n" zel_alarm="0013 - 01"/>
  <PO_loc pcu="Pcu1" text="Zuid"/>
</PO_Locations>
<PO_Exceptions>
  <Except nr="7" text="Storing" zel_alarm="0030 - 02"/>
</PO_Exceptions>
</ZelPOLinkDefs>)";

std::unique_ptr<XmlDocument> document(const QByteArray& text)
{
    auto doc = std::make_unique<XmlDocument>();
    if (!doc->dom().load_string(text.constData()))
        qFatal("fixture does not parse");
    return doc;
}

QString visibleRows(const DefinitionsGrid& grid)
{
    QStringList rows;
    for (int row = 0; row < grid.rowCount(); ++row) {
        if (!grid.isRowHidden(row))
            rows << QString::number(row);
    }
    return rows.join(u',');
}

QString accessibleName(QObject* object)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QStringLiteral("(no interface)");
}

// The lightest and darkest grey of an area, as 0..255.
std::pair<int, int> lightnessRange(const QImage& image, const QRect& area)
{
    int lightest = 0;
    int darkest = 255;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const int grey = qGray(image.pixel(x, y));
            lightest = std::max(lightest, grey);
            darkest = std::min(darkest, grey);
        }
    }
    return {lightest, darkest};
}

} // namespace

class TstLinkConfigPage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void gridShowsTheCellRulesOfTheRowKinds();
    void emptyDocumentLeavesOnlyTheHeader();
    void paintingMarksRowKinds_data();
    void paintingMarksRowKinds();
    void exceptionRowsDimTheCellsOfTheirLocation();
    void filterBarLinesUpUnderTheColumns();
    void typingFiltersByEitherPartOfADot();
    void secondDotIsRemovedAndTheCaretMovesBack();
    void loneDotHidesEveryRowAndQuoteShowsEvery();
    void checkBoxesFilterRowKinds();
    void typingInAnUntickedBoxTicksIt();
    void tooComplexIsToldOncePerKeystroke();
    void ctrlASelectsAllButCtrlShiftADoesNot();
    void filterIsKeptAfterARebuild();
    void controlsHaveAccessibleNames_data();
    void controlsHaveAccessibleNames();
    void refreshButtonAsksForARefresh();

private:
    QLineEdit* edit(int box) const
    {
        return m_page->findChild<QLineEdit*>(QStringLiteral("edFilter%1").arg(box));
    }
    QCheckBox* check(const QString& name) const { return m_page->findChild<QCheckBox*>(name); }
    DefinitionsGrid& grid() const { return m_page->sgMain(); }

    std::unique_ptr<LinkConfigPage> m_page;
    QStringList m_messages;
};

void TstLinkConfigPage::init()
{
    FillLanguageTable(QStringLiteral("ENG"));
    m_page = std::make_unique<LinkConfigPage>();
    m_page->resize(1000, 500);
    m_messages.clear();
    m_page->gfMain().setMessageHandler([this](const QString& text) { m_messages << text; });
    m_page->FillDefinitionsGrid(*document(kLinkDefs));
}

void TstLinkConfigPage::cleanup()
{
    m_page.reset();
    resetLanguageTable();
}

void TstLinkConfigPage::gridShowsTheCellRulesOfTheRowKinds()
{
    QStringList rows;
    for (int row = 0; row < grid().rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < grid().columnCount(); ++column)
            cells << grid().cellText(row, column);
        rows << cells.join(u'|');
    }
    const QStringList expected{
        QStringLiteral("|Kas12|Noord|--|0012 - 01|0020 - 01"),
        QStringLiteral("|Kas12|Noord|4: Hoog|0012 - 04|"),
        QStringLiteral("||-\\-|--||"),
        QStringLiteral("||-\\-|5: |0|"),
        QStringLiteral("||-\\-|6: Laag||"),
        QStringLiteral("|AB-3|Kas \u00c9\u00e9n|--|0013 - 01|"),
        QStringLiteral("|Pcu1|Zuid|--||"),
        QStringLiteral("|--|General Exception|7: Storing|0030 - 02|"),
    };
    QCOMPARE(rows, expected);
    QCOMPARE(grid().headerTexts(),
             (QStringList{QString(), QStringLiteral("PCU"), QStringLiteral("Location"),
                          QStringLiteral("Alarm"), QStringLiteral("ZEL Alarm"),
                          QStringLiteral("Group")}));
    QCOMPARE(grid().columnWidth(0), DefinitionsGrid::FixedColumnWidth);
    QCOMPARE(grid().editTriggers(), QAbstractItemView::NoEditTriggers);
}

void TstLinkConfigPage::emptyDocumentLeavesOnlyTheHeader()
{
    m_page->FillDefinitionsGrid(*document("<ZelPOLinkDefs/>"));
    QCOMPARE(grid().rowCount(), 0);
    QCOMPARE(grid().headerTexts().value(1), QStringLiteral("PCU"));
}

void TstLinkConfigPage::paintingMarksRowKinds_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<bool>("framed");

    const QPalette palette = QApplication::palette();
    const QColor grey(221, 221, 221);
    QTest::newRow("location") << 0 << 2 << false << palette.color(QPalette::Base) << false;
    QTest::newRow("selected location")
        << 0 << 4 << true << palette.color(QPalette::Highlight) << false;
    QTest::newRow("exception") << 1 << 3 << false << grey << false;
    QTest::newRow("selected exception") << 1 << 1 << true << QColor(Qt::black) << false;
    QTest::newRow("unassigned location")
        << 2 << 5 << false << palette.color(QPalette::Base) << true;
    QTest::newRow("exception with ZEL alarm 0") << 3 << 4 << false << grey << false;
    QTest::newRow("unassigned exception") << 4 << 2 << false << grey << true;
    QTest::newRow("selected unassigned exception") << 4 << 3 << true << QColor(Qt::black) << true;
    QTest::newRow("general exception") << 7 << 1 << false << grey << false;
}

// The frame is the outermost pixel ring of the cell; the background is taken from the
// bottom right corner inside it, where no text reaches.
void TstLinkConfigPage::paintingMarksRowKinds()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(bool, selected);
    QFETCH(QColor, background);
    QFETCH(bool, framed);

    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    if (selected)
        grid().selectRow(row);
    const QImage image = grid().viewport()->grab().toImage();
    const QRect cell = grid().visualRect(grid().model()->index(row, column));
    QVERIFY(!cell.isEmpty());

    QCOMPARE(QColor(image.pixel(cell.right() - 1, cell.bottom() - 1)), background);
    const QColor edge(image.pixel(cell.left(), cell.center().y()));
    QCOMPARE(edge, framed ? QColor(Qt::red) : background);
    QCOMPARE(QColor(image.pixel(cell.right(), cell.top())), framed ? QColor(Qt::red) : background);
}

// The PCU and Location repeated on an exception row are written in mid grey, never darker;
// its own cells and a location's cells are written in black.
void TstLinkConfigPage::exceptionRowsDimTheCellsOfTheirLocation()
{
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    const QImage image = grid().viewport()->grab().toImage();
    const auto darkest = [&](int row, int column) {
        const QRect cell = grid().visualRect(grid().model()->index(row, column));
        return lightnessRange(image, cell.adjusted(1, 1, -1, -1)).second;
    };
    QVERIFY(darkest(1, 1) >= 165);
    QVERIFY(darkest(1, 2) >= 165);
    QVERIFY(darkest(1, 2) < 221);
    QVERIFY(darkest(1, 3) < 100);
    QVERIFY(darkest(0, 1) < 100);
}

void TstLinkConfigPage::filterBarLinesUpUnderTheColumns()
{
    // Text widths make every column differ; each box follows its own column.
    for (int box = 1; box <= 5; ++box) {
        QCOMPARE(edit(box)->width(), grid().columnWidth(box));
        const QCheckBox* above = check(QStringLiteral("cbFilter%1").arg(box));
        QCOMPARE(above->x(), edit(box)->x());
        QCOMPARE(above->width(), edit(box)->width());
        QCOMPARE(above->text(), grid().headerTexts().value(box));
        QVERIFY(above->y() < edit(box)->y());
        if (box > 1)
            QCOMPARE(edit(box)->x(), edit(box - 1)->x() + grid().columnWidth(box - 1));
    }
    QCOMPARE(edit(1)->x(), grid().frameWidth() + DefinitionsGrid::FixedColumnWidth);

    // Shown, the columns fill the grid; the boxes follow them when the page is made wider.
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    const auto filled = [this] {
        int total = 0;
        for (int column = 0; column < grid().columnCount(); ++column)
            total += grid().columnWidth(column);
        return total;
    };
    QTRY_COMPARE(filled(), grid().viewport()->width());
    const int pcuBefore = grid().columnWidth(1);
    const int zelAlarmBefore = grid().columnWidth(4);
    m_page->resize(m_page->width() + 300, m_page->height());
    QTRY_COMPARE(filled(), grid().viewport()->width());
    QVERIFY(grid().columnWidth(1) > pcuBefore);
    QCOMPARE(grid().columnWidth(4), zelAlarmBefore);
    for (int box = 1; box <= 5; ++box)
        QCOMPARE(edit(box)->width(), grid().columnWidth(box));
}

void TstLinkConfigPage::typingFiltersByEitherPartOfADot()
{
    QTest::keyClicks(edit(1), QStringLiteral("kas.AB"));
    QCOMPARE(visibleRows(grid()), QStringLiteral("0,1,5"));
    // Typed as one insertion: key clicks carry only ASCII.
    edit(2)->insert(QStringLiteral("\u00e9\u00e9n"));
    QCOMPARE(visibleRows(grid()), QStringLiteral("5"));
}

void TstLinkConfigPage::secondDotIsRemovedAndTheCaretMovesBack()
{
    QTest::keyClicks(edit(1), QStringLiteral("kas.abc"));
    QTest::keyClick(edit(1), Qt::Key_Left);
    QCOMPARE(edit(1)->cursorPosition(), 6);
    QTest::keyClick(edit(1), Qt::Key_Period);
    QCOMPARE(edit(1)->text(), QStringLiteral("kas.abc"));
    QCOMPARE(edit(1)->cursorPosition(), 6);
    QCOMPARE(visibleRows(grid()), QStringLiteral("0,1"));
}

void TstLinkConfigPage::loneDotHidesEveryRowAndQuoteShowsEvery()
{
    QTest::keyClicks(edit(3), QStringLiteral("."));
    QCOMPARE(visibleRows(grid()), QString());

    edit(3)->clear();
    check(QStringLiteral("cbFilterExcept"))->setChecked(true);
    QCOMPARE(visibleRows(grid()), QStringLiteral("0,2,5,6"));
    // The quote shows every row, but it cannot take part in any condition.
    QTest::keyClicks(edit(2), QStringLiteral("x\" [PCU] LIKE \"kas"));
    QCOMPARE(visibleRows(grid()), QStringLiteral("0,1,2,3,4,5,6,7"));
    QTest::keyClick(edit(2), Qt::Key_Home);
    QTest::keyClick(edit(2), Qt::Key_Delete);
    QCOMPARE(edit(2)->text(), QStringLiteral("\" [PCU] LIKE \"kas"));
    QCOMPARE(visibleRows(grid()), QStringLiteral("0,1,2,3,4,5,6,7"));
}

void TstLinkConfigPage::checkBoxesFilterRowKinds()
{
    QTest::mouseClick(check(QStringLiteral("cbFilterExcept")), Qt::LeftButton);
    QCOMPARE(visibleRows(grid()), QStringLiteral("0,2,5,6"));
    QTest::mouseClick(check(QStringLiteral("cbFilterEmpty")), Qt::LeftButton);
    QCOMPARE(visibleRows(grid()), QStringLiteral("2,6"));
    QTest::mouseClick(check(QStringLiteral("cbFilterExcept")), Qt::LeftButton);
    QCOMPARE(visibleRows(grid()), QStringLiteral("2,4,6"));
}

void TstLinkConfigPage::typingInAnUntickedBoxTicksIt()
{
    QCheckBox* box = check(QStringLiteral("cbFilter2"));
    QVERIFY(!box->isChecked());
    QTest::keyClicks(edit(2), QStringLiteral("zuid"));
    QVERIFY(box->isChecked());
    QCOMPARE(visibleRows(grid()), QStringLiteral("6"));
    // Unticking keeps the text but no longer filters by it.
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(edit(2)->text(), QStringLiteral("zuid"));
    QCOMPARE(visibleRows(grid()), QStringLiteral("0,1,2,3,4,5,6,7"));
}

// Four boxes with a dot and the two check boxes make ten conditions. The keystroke that
// replaces its own box's text still tells the operator once.
void TstLinkConfigPage::tooComplexIsToldOncePerKeystroke()
{
    for (int box = 1; box <= 4; ++box)
        edit(box)->setText(QStringLiteral("a.b"));
    check(QStringLiteral("cbFilterExcept"))->setChecked(true);
    QVERIFY(m_messages.isEmpty());
    check(QStringLiteral("cbFilterEmpty"))->setChecked(true);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(visibleRows(grid()), QStringLiteral("0,1,2,3,4,5,6,7"));

    m_messages.clear();
    edit(4)->setFocus();
    edit(4)->end(false);
    QTest::keyClick(edit(4), Qt::Key_Period);
    QCOMPARE(edit(4)->text(), QStringLiteral("a.b"));
    QCOMPARE(m_messages, QStringList{QStringLiteral("Filter too complex")});

    // Typing in an unticked box ticks it within the same keystroke.
    m_messages.clear();
    QTest::keyClicks(edit(5), QStringLiteral("x"));
    QCOMPARE(m_messages.size(), 1);

    // A rebuild applies the same filter without telling again.
    m_page->FillDefinitionsGrid(*document(kLinkDefs));
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(visibleRows(grid()), QStringLiteral("0,1,2,3,4,5,6,7"));
}

void TstLinkConfigPage::ctrlASelectsAllButCtrlShiftADoesNot()
{
    QTest::keyClicks(edit(1), QStringLiteral("kas"));
    grid().setFocus();
    QTest::keyClick(&grid(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(grid().selectionModel()->selection().isEmpty());
    QTest::keyClick(&grid(), Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
    QVERIFY(grid().selectionModel()->selection().isEmpty());

    QTest::keyClick(&grid(), Qt::Key_A, Qt::ControlModifier);
    const QItemSelection selection = grid().selectionModel()->selection();
    QCOMPARE(selection.size(), 1);
    QCOMPARE(selection.first().top(), 0);
    QCOMPARE(selection.first().bottom(), grid().rowCount() - 1);
    QCOMPARE(selection.first().left(), 1);
    QCOMPARE(selection.first().right(), 5);
    // Hidden rows are in the block, but the actions on the selection skip them.
    QCOMPARE(grid().visibleSelectedRows(), (QList<int>{0, 1}));
}

void TstLinkConfigPage::filterIsKeptAfterARebuild()
{
    QTest::keyClicks(edit(2), QStringLiteral("kas"));
    check(QStringLiteral("cbFilterEmpty"))->setChecked(true);
    QCOMPARE(visibleRows(grid()), QString());

    // The refreshed document holds a new unassigned location in Kas 7.
    QByteArray refreshed = kLinkDefs;
    refreshed.replace("</PO_Locations>", "<PO_loc pcu=\"P9\" text=\"Kas 7\"/></PO_Locations>");
    m_page->FillDefinitionsGrid(*document(refreshed));
    QCOMPARE(edit(2)->text(), QStringLiteral("kas"));
    QCOMPARE(grid().cellText(7, 2), QStringLiteral("Kas 7"));
    QCOMPARE(visibleRows(grid()), QStringLiteral("7"));
}

void TstLinkConfigPage::controlsHaveAccessibleNames_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");

    const auto add = [](const char* language, const char* control, const char* name) {
        QTest::addRow("%s %s", language, control)
            << QString::fromLatin1(language) << QString::fromLatin1(control)
            << QString::fromUtf8(name);
    };
    add("ENG", "sgMain", "Priva Office Locations");
    add("ENG", "tbRefresh", "Refresh Priva Office definitions");
    add("ENG", "tbAddExcept", "Add exception");
    add("ENG", "tbDeleteExcept", "Remove selected exceptions");
    add("ENG", "cbFilter1", "PCU");
    add("ENG", "edFilter1", "PCU");
    add("ENG", "cbFilter4", "ZEL Alarm");
    add("ENG", "edFilter4", "ZEL Alarm");
    add("ENG", "edFilter5", "Group");
    add("ENG", "cbFilterExcept", "Hide exceptions");
    add("ENG", "cbFilterEmpty", "Show unassigned alarms");
    add("NLD", "sgMain", "Priva Office Locaties");
    add("NLD", "tbRefresh", "Ververs Priva Office definities");
    add("NLD", "edFilter2", "Locatie");
    add("NLD", "cbFilter5", "Groep");
    add("NLD", "cbFilterExcept", "Verberg uitzonderingen");
}

void TstLinkConfigPage::controlsHaveAccessibleNames()
{
    QFETCH(QString, language);
    QFETCH(QString, control);
    QFETCH(QString, name);

    FillLanguageTable(language);
    m_page->FillDefinitionsGrid(*document(kLinkDefs));
    QObject* widget = m_page->findChild<QWidget*>(control);
    QVERIFY2(widget, qPrintable(control));
    QCOMPARE(accessibleName(widget), name);
}

void TstLinkConfigPage::refreshButtonAsksForARefresh()
{
    QSignalSpy refresh(m_page.get(), &LinkConfigPage::refreshRequested);
    auto* button = m_page->findChild<QToolButton*>(QStringLiteral("tbRefresh"));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(refresh.size(), 1);
    for (const char* name : {"tbAddExcept", "tbDeleteExcept"})
        QVERIFY(m_page->findChild<QToolButton*>(QLatin1String(name))->isEnabled());
}

QTEST_MAIN(TstLinkConfigPage)
#include "tst_linkconfigpage.moc"
