#include "core/Language.h"
#include "ui/StatusBar.h"
#include "ui/StatusIconPanel.h"
#include "ui/TrayIcon.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

namespace {

QImage picture(const QIcon& icon)
{
    return icon.pixmap(TrayIcon::PictureSize, TrayIcon::PictureSize)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QAction* menuAction(TrayIcon& tray, const char* name)
{
    return tray.contextMenu() ? tray.contextMenu()->findChild<QAction*>(QLatin1String(name))
                              : nullptr;
}

} // namespace

using namespace Qt::StringLiterals;

class TstTrayIcon : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pictureCarriesTheStateImage_data();
    void pictureCarriesTheStateImage();
    void toolTipShowsTitleAndStatusText();
    void toolTipCountsUnlinkedDefinitions_data();
    void toolTipCountsUnlinkedDefinitions();
    void menuOpensTheWindowAndAsksToExit();
    void menuCaptionsFollowTheLanguage();
};

void TstTrayIcon::pictureCarriesTheStateImage_data()
{
    QTest::addColumn<StatusIcon>("state");
    QTest::addColumn<int>("image");
    QTest::newRow("running: own picture") << StatusIcon::None << -1;
    QTest::newRow("office error: image 0") << StatusIcon::OfficeError << 0;
    QTest::newRow("ZelMeld error: image 1") << StatusIcon::ZelMeldError << 1;
    QTest::newRow("files or settings: image 2") << StatusIcon::Problem << 2;
}

void TstTrayIcon::pictureCarriesTheStateImage()
{
    QFETCH(StatusIcon, state);
    QFETCH(int, image);
    QWidget window;
    TrayIcon tray(&window);
    const QImage plain = picture(TrayIcon::programIcon());
    QCOMPARE(picture(tray.icon()), plain);

    // Something else first, so that the state must be redrawn.
    tray.showLinkState(state == StatusIcon::Problem ? StatusIcon::None : StatusIcon::Problem);
    tray.showLinkState(state);
    QCOMPARE(tray.shownLinkState(), state);
    const QImage shown = picture(tray.icon());
    if (image < 0) {
        QCOMPARE(shown, plain);
        return;
    }
    // The program's picture stays recognisable with the state's image in its lower right
    // corner.
    const int corner = TrayIcon::PictureSize - StatusIconPanel::ImageSize;
    QImage expected = plain;
    QPainter(&expected).drawImage(QPoint(corner, corner),
                                  StatusIconPanel::imglstStatus()[std::size_t(image)]);
    QCOMPARE(shown, expected);
    QVERIFY(shown != plain);
}

void TstTrayIcon::toolTipShowsTitleAndStatusText()
{
    QWidget window;
    TrayIcon tray(&window);
    tray.setStatusText(QStringLiteral("Error connecting to ZelMeld"));
    tray.setTitle(QStringLiteral("ZEL-Pro - Priva Office (1.0) "));
    QCOMPARE(tray.toolTip(),
             QStringLiteral("ZEL-Pro - Priva Office (1.0) \nError connecting to ZelMeld"));
    tray.setStatusText(QString());
    QCOMPARE(tray.toolTip(), QStringLiteral("ZEL-Pro - Priva Office (1.0) "));
}

void TstTrayIcon::toolTipCountsUnlinkedDefinitions_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("panel");

    const QString title = QStringLiteral("ZelPO");
    QTest::newRow("none") << u"ENG"_s << 0 << u"ZelPO\nError"_s << QString();
    QTest::newRow("three") << u"ENG"_s << 3 << u"ZelPO\nError\nNot linked: 3"_s
                           << u"Not linked: 3"_s;
    QTest::newRow("Dutch") << u"NLD"_s << 1 << u"ZelPO\nError\nNiet gekoppeld: 1"_s
                           << u"Niet gekoppeld: 1"_s;
}

// The tray and the status bar tell how many office definitions have no ZEL alarm, and stop
// telling once all have one.
void TstTrayIcon::toolTipCountsUnlinkedDefinitions()
{
    QFETCH(QString, language);
    QFETCH(int, count);
    QFETCH(QString, tip);
    QFETCH(QString, panel);

    FillLanguageTable(language);
    QWidget window;
    TrayIcon tray(&window);
    StatusBar bar;
    tray.setTitle(u"ZelPO"_s);
    tray.setStatusText(u"Error"_s);
    tray.showUnlinkedCount(5);
    bar.showUnlinkedCount(5);
    tray.showUnlinkedCount(count);
    bar.showUnlinkedCount(count);
    resetLanguageTable();
    QCOMPARE(tray.toolTip(), tip);
    QCOMPARE(bar.unlinkedText(), panel);
    QCOMPARE(bar.findChild<QLabel*>(u"sBarPanel2"_s)->toolTip(), panel);
}

void TstTrayIcon::menuOpensTheWindowAndAsksToExit()
{
    QWidget window;
    TrayIcon tray(&window);
    QAction* open = menuAction(tray, "actTrayOpen");
    QAction* exit = menuAction(tray, "actTrayExit");
    QVERIFY(open && exit);

    window.hide();
    QSignalSpy exitRequested(&tray, &TrayIcon::exitRequested);
    open->trigger();
    QVERIFY(window.isVisible());
    QVERIFY(!window.isMinimized());
    QCOMPARE(exitRequested.count(), 0);

    exit->trigger();
    QCOMPARE(exitRequested.count(), 1);
}

void TstTrayIcon::menuCaptionsFollowTheLanguage()
{
    QWidget window;
    TrayIcon tray(&window);
    QCOMPARE(menuAction(tray, "actTrayOpen")->text(), QStringLiteral("Open"));
    QCOMPARE(menuAction(tray, "actTrayExit")->text(), QStringLiteral("Exit"));
    tray.applyCaptions(true);
    QCOMPARE(menuAction(tray, "actTrayOpen")->text(), QStringLiteral("Openen"));
    QCOMPARE(menuAction(tray, "actTrayExit")->text(), QStringLiteral("Afsluiten"));
}

QTEST_MAIN(TstTrayIcon)
#include "tst_trayicon.moc"
