#pragma once

#include "EngineHarness.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Documents and answers the forwarding tests share: Pcu1's locations Kas 3 and Kas 4, linked
// to ZEL alarms 0012 - 03 and 0012 - 04, optionally members of the group alarm 0020 - 01.
namespace ForwardingFixtures {

inline const QByteArray kLinkDefs = R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<ZelPOLinkDefs>
	<PO_Locations>
		<PO_loc pcu="Pcu1" text="Kas 3" zel_alarm="0012 - 03" zel_group="" />
	</PO_Locations>
</ZelPOLinkDefs>
)";

inline const QByteArray kZelDefs = R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<ZelAlarmDefinitions>
	<Location Code="12" Name="Kas 3">
		<Alarm Code="3" Name="Temperatuur" GroupDelay="0" Repeat="0" />
	</Location>
</ZelAlarmDefinitions>
)";

inline const QByteArray kOneAlarm = R"(<active-alarms>
	<alarm pcu="Pcu1" location="Kas 3" nr="1" text="Temp. te hoog" start="20261209T095900"/>
</active-alarms>)";

// The office start time of every alarm the tests raise.
inline const QString kStart = QStringLiteral("20261209T095900");

// Kas 3 and Kas 4 of Pcu1 as ZEL alarms 0012 - 03 and 0012 - 04, both members of
// the group alarm 0020 - 01 when a group is given.
inline QByteArray linkDefs(const QByteArray& zelGroup)
{
    return R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<ZelPOLinkDefs>
	<PO_Locations>
		<PO_loc pcu="Pcu1" text="Kas 3" zel_alarm="0012 - 03" zel_group=")" +
           zelGroup + R"(" />
		<PO_loc pcu="Pcu1" text="Kas 4" zel_alarm="0012 - 04" zel_group=")" +
           zelGroup + R"(" />
	</PO_Locations>
</ZelPOLinkDefs>
)";
}

// The ZEL alarms of linkDefs: repeat is that of 0012 - 03, the group alarm
// 0020 - 01 has the delay and never repeats.
inline QByteArray zelDefs(int groupDelay, int repeat)
{
    return R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<ZelAlarmDefinitions>
	<Location Code="12" Name="Kas">
		<Alarm Code="3" Name="Kas 3" GroupDelay="0" Repeat=")" +
           QByteArray::number(repeat) + R"(" />
		<Alarm Code="4" Name="Kas 4" GroupDelay="0" Repeat="0" />
	</Location>
	<Location Code="20" Name="Groepen">
		<Alarm Code="1" Name="Temperatuur" GroupDelay=")" +
           QByteArray::number(groupDelay) + R"(" Repeat="0" />
	</Location>
</ZelAlarmDefinitions>
)";
}

// An answer of the office server with one active alarm per location of Pcu1.
inline QByteArray activeAlarms(const QList<QByteArray>& locations)
{
    QByteArray xml = "<active-alarms>\n";
    for (const QByteArray& location : locations)
        xml += "\t<alarm pcu=\"Pcu1\" location=\"" + location +
               "\" nr=\"1\" text=\"Temp. te hoog\" start=\"" + kStart.toLatin1() + "\"/>\n";
    return xml + "</active-alarms>\n";
}

// A status document that still has the alarm of Kas 3 to send.
inline QByteArray pendingStatus(const QByteArray& rootName)
{
    return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<" + rootName +
           ">\n\t<Alarm pcu=\"Pcu1\" location=\"Kas 3\" nr=\"1\" text=\"Temp. te hoog\" start=\"" +
           kStart.toLatin1() + "\" State=\"A\" Sent=\"\" />\n</" + rootName + ">\n";
}

inline QString alarmAttribute(EngineHarness& h, const char* location, const char* attribute)
{
    return statusAttribute(h.readPoData("AlarmStatus.xml"), "Alarm", "location", location,
                           attribute);
}

inline QString line(const char* text)
{
    return QString::fromLatin1(text);
}

// The linked definitions and the office server reporting the alarm of Kas 3.
inline bool startWithOneAlarm(EngineHarness& h)
{
    h.writeLinkDefs(kLinkDefs);
    h.writeZelDefs(kZelDefs);
    h.setAlarms(kOneAlarm);
    return h.start();
}

inline const QString kAlarmKas3 = line("[ZEL RCVALARM 02,0012,03,T,,Pcu1 Kas 3 Temp te hoog]");
inline const QString kConfigurationAlarm = line("[ZEL RCVALARM 02,9999,9,A]");

} // namespace ForwardingFixtures
