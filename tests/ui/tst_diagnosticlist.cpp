#include "ui/logic/DiagnosticListModel.h"
#include "ui/pages/DiagnosticList.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

QString lineText(int n)
{
    return QStringLiteral("08:00:00 line %1").arg(n);
}

void appendLines(DiagnosticList& list, int from, int to)
{
    for (int n = from; n < to; ++n)
        list.appendLine(lineText(n));
}

// The line at the top of the visible part of the list, after any pending layout.
QString topLine(DiagnosticList& list)
{
    list.doItemsLayout();
    return list.indexAt(QPoint(2, 2)).data().toString();
}

} // namespace

class TstDiagnosticList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void modelKeepsTheNewestLines_data();
    void modelKeepsTheNewestLines();
    void modelTellsViewsWhatMoved();
    void batchTellsViewsOnce_data();
    void batchTellsViewsOnce();
    void burstReachesTheViewInOneBatch();
    void clearEmptiesTheModel();
    void followsTheNewestLine();
    void scrolledUpStaysWhereTheOperatorReads();
    void scrolledUpStaysOnItsLineWhileTheOldestAreDropped();
    void horizontalExtent_data();
    void horizontalExtent();

private:
    std::unique_ptr<DiagnosticList> shownList()
    {
        auto list = std::make_unique<DiagnosticList>();
        list->resize(400, 200);
        list->show();
        if (!QTest::qWaitForWindowExposed(list.get()))
            qWarning("list not exposed");
        return list;
    }
};

void TstDiagnosticList::modelKeepsTheNewestLines_data()
{
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("appended");
    QTest::addColumn<int>("firstKept");
    QTest::newRow("below capacity") << 10000 << 3 << 0;
    QTest::newRow("exactly full") << 10000 << 10000 << 0;
    QTest::newRow("one beyond") << 10000 << 10001 << 1;
    QTest::newRow("many times over") << 10000 << 35000 << 25000;
    QTest::newRow("capacity of one") << 1 << 5 << 4;
}

void TstDiagnosticList::modelKeepsTheNewestLines()
{
    QFETCH(int, capacity);
    QFETCH(int, appended);
    QFETCH(int, firstKept);
    DiagnosticListModel model(capacity);
    for (int n = 0; n < appended; ++n)
        model.appendLine(lineText(n));
    QCOMPARE(model.rowCount(), appended - firstKept);
    QCOMPARE(model.line(0), lineText(firstKept));
    QCOMPARE(model.index(0).data().toString(), lineText(firstKept));
    QCOMPARE(model.line(model.rowCount() - 1), lineText(appended - 1));
    QCOMPARE(model.index(model.rowCount() - 1).data(Qt::ToolTipRole).toString(),
             lineText(appended - 1));
}

// A view that misses a removal shows lines that no longer exist.
void TstDiagnosticList::modelTellsViewsWhatMoved()
{
    DiagnosticListModel model(3);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    for (int n = 0; n < 4; ++n)
        model.appendLine(lineText(n));
    QCOMPARE(inserted.count(), 4);
    QCOMPARE(inserted.last().at(1).toInt(), 2); // the fourth line went in as row 2
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.first().at(1).toInt(), 0);
    QCOMPARE(removed.first().at(2).toInt(), 0);
    QVERIFY(!model.index(3).data().isValid());
}

void TstDiagnosticList::batchTellsViewsOnce_data()
{
    QTest::addColumn<int>("before");  // lines in the model before the batch (capacity 10)
    QTest::addColumn<int>("batch");   // lines in the batch
    QTest::addColumn<int>("dropped"); // oldest lines that must go
    QTest::newRow("fits") << 3 << 4 << 0;
    QTest::newRow("fills exactly") << 3 << 7 << 0;
    QTest::newRow("crosses the capacity") << 8 << 5 << 3;
    QTest::newRow("full, one more") << 10 << 1 << 1;
    QTest::newRow("larger than the capacity") << 6 << 25 << 6;
}

// A batch is one removal and one insertion, whatever its size, and the newest lines stay.
void TstDiagnosticList::batchTellsViewsOnce()
{
    QFETCH(int, before);
    QFETCH(int, batch);
    QFETCH(int, dropped);
    DiagnosticListModel model(10);
    for (int n = 0; n < before; ++n)
        model.appendLine(lineText(n));
    QStringList lines;
    for (int n = before; n < before + batch; ++n)
        lines.append(lineText(n));
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

    QCOMPARE(model.appendLines(lines), dropped);

    const int total = before + batch;
    const int kept = std::min(total, 10);
    QCOMPARE(model.rowCount(), kept);
    QCOMPARE(model.line(0), lineText(total - kept));
    QCOMPARE(model.line(kept - 1), lineText(total - 1));
    QCOMPARE(removed.count(), dropped > 0 ? 1 : 0);
    if (dropped > 0)
        QCOMPARE(removed.first().at(2).toInt() - removed.first().at(1).toInt() + 1, dropped);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.first().at(1).toInt(), before - dropped);
    QCOMPARE(inserted.first().at(2).toInt(), kept - 1);
}

// Lines that arrive one by one, as during a burst of traffic, reach the model together:
// each change makes the view lay out every row again.
void TstDiagnosticList::burstReachesTheViewInOneBatch()
{
    auto list = shownList();
    QSignalSpy inserted(&list->lines(), &QAbstractItemModel::rowsInserted);
    appendLines(*list, 0, 300);
    QCOMPARE(inserted.count(), 0);
    QVERIFY(inserted.wait(5000));
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(list->count(), 300);
    QTRY_COMPARE(list->currentIndex().row(), 299);
}

void TstDiagnosticList::clearEmptiesTheModel()
{
    DiagnosticListModel model;
    model.appendLine(lineText(1));
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.clear();
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.rowCount(), 0);
    model.appendLine(lineText(2));
    QCOMPARE(model.line(0), lineText(2));
}

void TstDiagnosticList::followsTheNewestLine()
{
    auto list = shownList();
    appendLines(*list, 0, 200);
    QScrollBar* bar = list->verticalScrollBar();
    QTRY_COMPARE(list->currentIndex().row(), 199);
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(list->visualRect(list->currentIndex()).intersects(list->viewport()->rect()));
    list->appendLine(lineText(200));
    QTRY_COMPARE(list->currentIndex().row(), 200);
    QCOMPARE(bar->value(), bar->maximum());
}

void TstDiagnosticList::scrolledUpStaysWhereTheOperatorReads()
{
    auto list = shownList();
    appendLines(*list, 0, 200);
    QScrollBar* bar = list->verticalScrollBar();
    QTRY_COMPARE(list->currentIndex().row(), 199);
    QCOMPARE(bar->value(), bar->maximum());
    bar->setValue(10);
    QVERIFY(!list->followsNewest());
    const QString reading = topLine(*list);
    const int maximumBefore = bar->maximum();

    appendLines(*list, 200, 260);
    QTRY_COMPARE(bar->maximum(), maximumBefore + 60);
    QCOMPARE(bar->value(), 10);
    QCOMPARE(topLine(*list), reading);
    QCOMPARE(list->currentIndex().row(), 199);

    // Back at the end, the list follows again.
    bar->setValue(bar->maximum());
    QVERIFY(list->followsNewest());
    list->appendLine(lineText(260));
    QTRY_COMPARE(list->currentIndex().row(), 260);
    QTRY_COMPARE(bar->value(), bar->maximum());
}

void TstDiagnosticList::scrolledUpStaysOnItsLineWhileTheOldestAreDropped()
{
    auto list = shownList();
    const int capacity = list->lines().capacity();
    appendLines(*list, 0, capacity);
    QScrollBar* bar = list->verticalScrollBar();
    QTRY_COMPARE(list->currentIndex().row(), capacity - 1);
    QCOMPARE(bar->value(), bar->maximum());
    bar->setValue(5000);
    const QString reading = topLine(*list);

    appendLines(*list, capacity, capacity + 100);
    QCOMPARE(list->count(), capacity);
    QCOMPARE(list->lines().line(0), lineText(100));
    QCOMPARE(bar->value(), 4900);
    QCOMPARE(topLine(*list), reading);
    QVERIFY(!list->followsNewest());
}

void TstDiagnosticList::horizontalExtent_data()
{
    QTest::addColumn<int>("extent");
    QTest::newRow("none: as wide as the list") << 0;
    QTest::newRow("8000 pixels") << 8000;
}

void TstDiagnosticList::horizontalExtent()
{
    QFETCH(int, extent);
    auto list = shownList();
    list->setHorizontalExtent(extent);
    list->appendLine(QString(400, u'x'));
    list->appendLine(lineText(1));
    const int expected = extent > 0 ? extent - list->viewport()->width() : 0;
    QTRY_COMPARE(list->horizontalScrollBar()->maximum(), expected);
}

QTEST_MAIN(TstDiagnosticList)
#include "tst_diagnosticlist.moc"
