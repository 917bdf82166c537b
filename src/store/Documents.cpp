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

bool OpenZelDefs(XmlDocumentHandle& handle)
{
    return OpenXmlDocument(handle, ZelDefsPath(), kZelDefsRoot);
}

bool OpenLinkDefs(XmlDocumentHandle& handle)
{
    return OpenXmlDocument(handle, LinkDefsPath(), kLinkDefsRoot);
}

bool OpenAlarmStatus(XmlDocumentHandle& handle)
{
    return OpenXmlDocument(handle, AlarmStatusPath(), kAlarmStatusRoot);
}

bool SaveZelDefs(const XmlDocumentHandle& handle)
{
    return SaveXmlDocument(handle, ZelDefsPath());
}

bool SaveLinkDefs(const XmlDocumentHandle& handle)
{
    return SaveXmlDocument(handle, LinkDefsPath());
}

bool SaveAlarmStatus(const XmlDocumentHandle& handle)
{
    return SaveXmlDocument(handle, AlarmStatusPath());
}
