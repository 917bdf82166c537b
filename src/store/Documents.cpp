#include "Documents.h"

#include "core/Directories.h"

namespace {

QString inPoData(const char* fileName)
{
    return PoDataDirectory() + QLatin1Char('/') + QLatin1String(fileName);
}

} // namespace

QString zelDefsPath()
{
    return inPoData("ZelDefs.xml");
}

QString linkDefsPath()
{
    return inPoData("LinkDefs.xml");
}

QString alarmStatusPath()
{
    return inPoData("AlarmStatus.xml");
}

OpenResult OpenZelDefs(XmlDocumentHandle& handle)
{
    return OpenXmlDocument(handle, zelDefsPath(), kZelDefsRoot);
}

OpenResult OpenLinkDefs(XmlDocumentHandle& handle)
{
    return OpenXmlDocument(handle, linkDefsPath(), kLinkDefsRoot);
}

OpenResult OpenAlarmStatus(XmlDocumentHandle& handle)
{
    return OpenXmlDocument(handle, alarmStatusPath(), kAlarmStatusRoot);
}

SaveResult SaveZelDefs(const XmlDocumentHandle& handle)
{
    return SaveXmlDocument(handle, zelDefsPath());
}

SaveResult SaveLinkDefs(const XmlDocumentHandle& handle)
{
    return SaveXmlDocument(handle, linkDefsPath());
}

SaveResult SaveAlarmStatus(const XmlDocumentHandle& handle)
{
    return SaveXmlDocument(handle, alarmStatusPath());
}
