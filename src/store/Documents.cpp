#include "Documents.h"

#include "core/Directories.h"

namespace {

QString inPoData(const char* fileName)
{
    return PoDataDirectory() + QLatin1Char('/') + QLatin1String(fileName);
}

} // namespace

QString ZelDefsPath()
{
    return inPoData("ZelDefs.xml");
}

QString LinkDefsPath()
{
    return inPoData("LinkDefs.xml");
}

QString AlarmStatusPath()
{
    return inPoData("AlarmStatus.xml");
}

OpenResult OpenZelDefs(XmlDocumentHandle& handle)
{
    return OpenXmlDocument(handle, ZelDefsPath(), kZelDefsRoot);
}

OpenResult OpenLinkDefs(XmlDocumentHandle& handle)
{
    return OpenXmlDocument(handle, LinkDefsPath(), kLinkDefsRoot);
}

OpenResult OpenAlarmStatus(XmlDocumentHandle& handle)
{
    return OpenXmlDocument(handle, AlarmStatusPath(), kAlarmStatusRoot);
}

SaveResult SaveZelDefs(const XmlDocumentHandle& handle)
{
    return SaveXmlDocument(handle, ZelDefsPath());
}

SaveResult SaveLinkDefs(const XmlDocumentHandle& handle)
{
    return SaveXmlDocument(handle, LinkDefsPath());
}

SaveResult SaveAlarmStatus(const XmlDocumentHandle& handle)
{
    return SaveXmlDocument(handle, AlarmStatusPath());
}
