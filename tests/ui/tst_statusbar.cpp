#include "ui/StatusBar.h"
#include "ui/StatusIconPanel.h"

#include <QPainter>
#include <QTest>

namespace {

QImage panelPicture(StatusBar& bar)
{
    auto* panel = bar.findChild<StatusIconPanel*>(QStringLiteral("sBarPanel0"));
    return panel ? panel->grab().toImage() : QImage();
}

// The image as panel 0 shows it: drawn over the button face at the top-left corner.
QImage onButtonFace(const QImage& image, const QColor& face, const QSize& size)
{
    QImage expected(size, QImage::Format_ARGB32_Premultiplied);
    expected.fill(face);
    QPainter painter(&expected);
    painter.drawImage(QPoint(0, 0), image);
    return expected;
}

} // namespace

class TstStatusBar : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void panelsHaveTheirWidths();
    void panelZeroDrawsTheImageOfTheShownState_data();
    void panelZeroDrawsTheImageOfTheShownState();
    void warningImagesAreDistinct();
    void longStatusTextCanBeReadInTheToolTip();
};

void TstStatusBar::panelsHaveTheirWidths()
{
    StatusBar bar;
    for (auto [name, width] :
         {std::pair{"sBarPanel0", 20}, {"sBarPanel1", 400}, {"sBarPanel2", 50}}) {
        auto* panel = bar.findChild<QWidget*>(QLatin1String(name));
        QVERIFY2(panel, name);
        QCOMPARE(panel->width(), width);
    }
}

void TstStatusBar::panelZeroDrawsTheImageOfTheShownState_data()
{
    QTest::addColumn<StatusIcon>("state");
    QTest::addColumn<int>("image");
    QTest::newRow("running: nothing") << StatusIcon::None << -1;
    QTest::newRow("office error: image 0") << StatusIcon::OfficeError << 0;
    QTest::newRow("ZelMeld error: image 1") << StatusIcon::ZelMeldError << 1;
    QTest::newRow("files or settings: image 2") << StatusIcon::Problem << 2;
}

void TstStatusBar::panelZeroDrawsTheImageOfTheShownState()
{
    QFETCH(StatusIcon, state);
    QFETCH(int, image);
    StatusBar bar;
    bar.resize(600, 24);
    // Something else first, so that the state must be redrawn.
    bar.showLinkState(state == StatusIcon::Problem ? StatusIcon::None : StatusIcon::Problem);
    bar.showLinkState(state);
    QCOMPARE(bar.shownLinkState(), state);

    const QImage shown = panelPicture(bar).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QVERIFY(!shown.isNull());
    const QColor face = bar.palette().color(QPalette::Button);
    const QImage drawn = image < 0 ? QImage() : StatusIconPanel::imglstStatus()[std::size_t(image)];
    QCOMPARE(shown, onButtonFace(drawn, face, shown.size()));
}

void TstStatusBar::warningImagesAreDistinct()
{
    const auto& images = StatusIconPanel::imglstStatus();
    for (const QImage& image : images)
        QCOMPARE(image.size(), QSize(16, 16));
    QVERIFY(images[0] != images[1]);
    QVERIFY(images[0] != images[2]);
    QVERIFY(images[1] != images[2]);
}

void TstStatusBar::longStatusTextCanBeReadInTheToolTip()
{
    StatusBar bar;
    const QString text = QStringLiteral("LinkDefs.xml is not well-formed; kept aside as "
                                        "LinkDefs.xml.bad and not overwritten");
    bar.setPanelText(text);
    auto* panel = bar.findChild<QLabel*>(QStringLiteral("sBarPanel1"));
    QCOMPARE(panel->text(), text);
    QCOMPARE(panel->toolTip(), text);
    QCOMPARE(bar.panelText(), text);
}

QTEST_MAIN(TstStatusBar)
#include "tst_statusbar.moc"
