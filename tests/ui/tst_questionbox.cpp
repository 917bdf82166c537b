#include "core/Language.h"
#include "ui/QuestionBox.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TstQuestionBox : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { resetLanguageTable(); }
    void cleanup() { resetLanguageTable(); }
    void buttonsSpeakTheProgramLanguage_data();
    void buttonsSpeakTheProgramLanguage();
};

namespace {

QMessageBox* shownQuestion()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

} // namespace

void TstQuestionBox::buttonsSpeakTheProgramLanguage_data()
{
    QTest::addColumn<QString>("language"); // null: table never filled
    QTest::addColumn<bool>("clickYes");
    QTest::addColumn<QString>("yes");
    QTest::addColumn<QString>("no");
    const QString nld = QStringLiteral("NLD");
    const QString eng = QStringLiteral("ENG");
    QTest::newRow("Dutch, answered no") << nld << false << "Ja"
                                        << "Nee";
    QTest::newRow("Dutch, answered yes") << nld << true << "Ja"
                                         << "Nee";
    QTest::newRow("English, answered no") << eng << false << "Yes"
                                          << "No";
    QTest::newRow("English, answered yes") << eng << true << "Yes"
                                           << "No";
    // Only the exact setting selects Dutch, as for every other caption.
    QTest::newRow("lower-case nld is English") << QStringLiteral("nld") << true << "Yes"
                                               << "No";
    QTest::newRow("before the table is filled") << QString() << false << "Yes"
                                                << "No";
}

void TstQuestionBox::buttonsSpeakTheProgramLanguage()
{
    QFETCH(QString, language);
    QFETCH(bool, clickYes);
    QFETCH(QString, yes);
    QFETCH(QString, no);
    if (!language.isNull())
        FillLanguageTable(language);

    QWidget parent;
    QStringList shown;
    QString shownCaption;
    QString shownText;
    // Answers the real box once it is up, as the operator would.
    QTimer::singleShot(0, this, [&] {
        QMessageBox* box = shownQuestion();
        if (!box)
            return;
        shown = {box->button(QMessageBox::Yes)->text(), box->button(QMessageBox::No)->text()};
        shownCaption = box->windowTitle();
        shownText = box->text();
        box->button(clickYes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    const bool answer = askYesNo(&parent, QMessageBox::Question, QStringLiteral("Caption"),
                                 QStringLiteral("Delete this location?"));

    QCOMPARE(shown, (QStringList{yes, no}));
    QCOMPARE(shownCaption, QStringLiteral("Caption"));
    QCOMPARE(shownText, QStringLiteral("Delete this location?"));
    QCOMPARE(answer, clickYes);
}

QTEST_MAIN(TstQuestionBox)
#include "tst_questionbox.moc"
