#include "store/OfficeAlarmTypes.h"

#include <QTest>

#include <memory>

namespace {

std::unique_ptr<XmlDocument> document(const QByteArray& body)
{
    auto doc = std::make_unique<XmlDocument>();
    const QByteArray text = "<ZelPOLinkDefs>" + body + "</ZelPOLinkDefs>";
    if (!doc->dom().load_string(text.constData()))
        qFatal("fixture does not parse");
    return doc;
}

// "nr:text" per alarm type, joined by "|".
QString describe(const std::vector<OfficeAlarmType>& types)
{
    QStringList parts;
    for (const OfficeAlarmType& type : types)
        parts << QString::fromStdString(type.nr + ':' + type.text);
    return parts.join(u'|');
}

} // namespace

class TstOfficeAlarmTypes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void typesAsStored_data();
    void typesAsStored();
};

void TstOfficeAlarmTypes::typesAsStored_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("types");

    QTest::newRow("no section") << QByteArray("<PO_Locations/>") << QString();
    QTest::newRow("empty section") << QByteArray("<PO_AlarmTypes/>") << QString();
    QTest::newRow("document order, every element whatever its name")
        << QByteArray("<PO_AlarmTypes><PO_Alarm nr='7' text='Storing'/><Other nr='4'/>"
                      "<PO_Alarm nr='12' text='Hoog'/></PO_AlarmTypes>")
        << QStringLiteral("7:Storing|4:|12:Hoog");
    QTest::newRow("placeholder kept, absent nr empty, comments skipped")
        << QByteArray("<PO_AlarmTypes><!-- x --><PO_Alarm nr='-\\-' text='Onbekend'/>"
                      "<PO_Alarm text='Zonder nr'/></PO_AlarmTypes>")
        << QStringLiteral("-\\-:Onbekend|:Zonder nr");
    QTest::newRow("text beyond ASCII")
        << QByteArray("<PO_AlarmTypes><PO_Alarm nr='1' text='\xc3\x89\xc3\xa9n'/></PO_AlarmTypes>")
        << QStringLiteral("1:\u00c9\u00e9n");
}

void TstOfficeAlarmTypes::typesAsStored()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, types);

    QCOMPARE(describe(officeAlarmTypes(*document(body))), types);
}

QTEST_APPLESS_MAIN(TstOfficeAlarmTypes)
#include "tst_officealarmtypes.moc"
