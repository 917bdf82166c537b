// Import and export of the ZEL definitions from the tree's tool bar: the operator's questions
// and file dialogs here, the file work in the store.

#include "ZelTreePane.h"

#include "core/Directories.h"
#include "core/Language.h"
#include "core/Log.h"
#include "store/DocumentOwner.h"
#include "store/ZelDefsExchange.h"

#include <QThread>
#include <QToolButton>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString xmlFilter()
{
    return LangText(19, u"XML file"_s) + u"(*.xml)"_s;
}

} // namespace

// The file is read on a thread of its own, so that a large one does not hold up the engine's
// steps on this thread; the merge, the tree and the save follow here when it is read.
void ZelTreePane::tbImportClick()
{
    if (m_importReader)
        return; // the button is disabled meanwhile; a queued click finds the import running
    if (!prepareImport()) {
        Q_EMIT importFinished();
        return;
    }
    FileChoice choice;
    choice.kind = FileChoice::Open;
    choice.title = LangText(22, u"Open XML file"_s);
    choice.filters = QStringList{xmlFilter(), LangText(21, u"All files"_s) + u"(*.*)"_s};
    choice.directory = ExchangeDirectory();
    const QString path = m_interaction.chooseFile(choice);
    if (path.isEmpty()) {
        finishImport(path, {});
        return;
    }
    startReading(path);
}

// Asks, then saves and reloads the catalogue; false when the import goes no further.
bool ZelTreePane::prepareImport()
{
    const QString question =
        LangText(84, u"Importing can result in location- and alarmnames being overwritten."_s) +
        u'\r' + LangText(85, u"Continue?"_s);
    if (!m_zelDefs || !m_interaction.ask(QMessageBox::Warning, question))
        return false;
    // The import starts from the catalogue as stored; what cannot be stored is not thrown
    // away by reading the file again. The owner logs a failure once in a series, but every
    // click is answered.
    if (const SaveResult saved = m_zelDefs->save(); !saved) {
        m_interaction.showMessage(m_zelDefs->path() + u": "_s + saved.reason);
        return false;
    }
    if (const OpenResult reloaded = m_zelDefs->reload(); !reloaded && !document()) {
        m_interaction.showMessage(m_zelDefs->path() + u": "_s + reloaded.reason);
        return false;
    }
    return true;
}

void ZelTreePane::startReading(const QString& path)
{
    auto file = std::make_shared<ZelExchangeFile>();
    m_importReader = QThread::create([file, path] { *file = ReadZelExchangeFile(path); });
    m_importReader->setObjectName(u"ZelImportReader"_s);
    m_importReader->setParent(this);
    connect(m_importReader, &QThread::finished, this, [this, file, path] {
        m_importReader->deleteLater();
        m_importReader = nullptr;
        finishImport(path, *file);
    });
    m_tbImport->setEnabled(false);
    m_importReader->start();
}

void ZelTreePane::finishImport(const QString& path, const ZelExchangeFile& file)
{
    m_tbImport->setEnabled(true);
    if (!path.isEmpty()) {
        ZelImportResult result = file.result;
        m_zelDefs->edit([&](XmlDocument& zelDefs) {
            result = MergeZelExchangeFile(zelDefs, file);
            return result.ok() && result.added + result.renamed > 0;
        });
        reportImport(result, path);
    }
    FillZelTree();
    saveZelDefs();
    Q_EMIT importFinished();
}

ZelTreePane::~ZelTreePane()
{
    if (m_importReader)
        m_importReader->wait();
}

void ZelTreePane::reportImport(const ZelImportResult& result, const QString& path)
{
    switch (result.outcome) {
    case ZelImportResult::Imported:
        LogMessage(u"ZEL definitions imported from "_s + path + u": "_s +
                       QString::number(result.added) + u" added, "_s +
                       QString::number(result.renamed) + u" renamed"_s,
                   LogFileOnly);
        return;
    case ZelImportResult::FileNotFound:
        m_interaction.showMessage(LangText(23, u"File not found:"_s) + u' ' + path);
        return;
    case ZelImportResult::IncorrectStructure:
        LogMessage(u"ZEL definitions not imported from "_s + path + u": "_s + result.reason,
                   LogFileOnly);
        m_interaction.showMessage(LangText(27, u"Incorrect file structure"_s));
        return;
    case ZelImportResult::TooLarge:
        LogMessage(u"ZEL definitions not imported from "_s + path + u": "_s + result.reason,
                   LogFileOnly);
        m_interaction.showMessage(LangText(112, u"File too large to import:"_s) + u' ' + path +
                                  u" (> "_s + QString::number(ZelImportMaxBytes / (1024 * 1024)) +
                                  u" MB)"_s);
        return;
    case ZelImportResult::Unreadable:
        LogMessage(u"ZEL definitions not imported from "_s + path + u": "_s + result.reason,
                   LogFileOnly);
        m_interaction.showMessage(path + u": "_s + result.reason);
        return;
    }
}

void ZelTreePane::tbExportClick()
{
    if (!m_zelDefs)
        return;
    // An open document is used as it is; a failed open has been said by the owner and leaves
    // nothing to export.
    (void)m_zelDefs->open();
    if (!document())
        return;

    FileChoice choice;
    choice.kind = FileChoice::Save;
    choice.title = LangText(20, u"Save XML file"_s);
    choice.filters = QStringList{xmlFilter()};
    choice.directory = ExchangeDirectory();
    choice.proposedName = QLatin1String(ZelExportFileName);
    const QString path = m_interaction.chooseFile(choice);
    if (path.isEmpty())
        return;
    const ZelExportResult result = ExportZelDefs(*document(), path);
    if (result.ok())
        return;
    LogMessage(u"ZEL definitions not exported to "_s + path + u": "_s + result.reason, LogFileOnly);
    // Without a catalogue there is nothing to write, as intended; a code that the import would
    // refuse and a failed write are news.
    if (result.outcome != ZelExportResult::NoCatalogue)
        m_interaction.showMessage(path + u": "_s + result.reason);
}
