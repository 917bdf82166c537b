// Import and export of the ZEL definitions from the tree's tool bar: the operator's questions
// and file dialogs here, the file work in the store.

#include "ZelTreePane.h"

#include "ZelTreeFill.h"

#include "core/Directories.h"
#include "core/FreeMemory.h"
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

// The import runs on a thread of its own: reading the file, merging it into the catalogue as
// stored, writing that back and reading it for the tree take seconds with a full catalogue,
// and this thread steps the engine. Here the operator is asked, the merged catalogue is taken
// in and the tree filled a slice at a time.
void ZelTreePane::tbImportClick()
{
    if (m_importWorker || m_fill)
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
    // No file chosen still reads the catalogue again for the tree.
    startImport(m_interaction.chooseFile(choice));
}

// Asks, then stores the catalogue; false when the import goes no further.
bool ZelTreePane::prepareImport()
{
    const QString question =
        LangText(84, u"Importing can result in location- and alarmnames being overwritten."_s) +
        u'\r' + LangText(85, u"Continue?"_s);
    if (!m_zelDefs || !m_interaction.ask(QMessageBox::Warning, question))
        return false;
    return storeForImport();
}

// The import starts from the catalogue as stored, which the worker reads; what cannot be
// stored is not thrown away by reading the file again. The owner logs a failure once in a
// series, but every click is answered.
bool ZelTreePane::storeForImport()
{
    if (const SaveResult saved = m_zelDefs->save(); !saved) {
        m_interaction.showMessage(m_zelDefs->path() + u": "_s + saved.reason);
        return false;
    }
    if (const OpenResult reloaded = m_zelDefs->reload(); !reloaded && !document()) {
        m_interaction.showMessage(m_zelDefs->path() + u": "_s + reloaded.reason);
        return false;
    }
    // What reading the file mended is stored too, so that the worker reads what is open.
    if (const SaveResult saved = m_zelDefs->saveIfDirty(); !saved) {
        m_interaction.showMessage(m_zelDefs->path() + u": "_s + saved.reason);
        return false;
    }
    m_importDocument = document();
    m_importRevision = m_zelDefs->revision();
    return true;
}

void ZelTreePane::startImport(const QString& path)
{
    auto job = std::make_shared<ZelImportJob>();
    auto locations = std::make_shared<ZelTreeFill::Locations>();
    const QString catalogue = m_zelDefs->path();
    m_importWorker = QThread::create([job, locations, catalogue, path] {
        *job = RunZelImport(catalogue, path);
        *locations = ZelTreeFill::prepare(std::move(job->entries));
        // What the file took while it was merged is not kept for this thread's next use.
        releaseFreedMemory();
    });
    m_importWorker->setObjectName(u"ZelImport"_s);
    m_importWorker->setParent(this);
    connect(m_importWorker, &QThread::finished, this, [this, job, locations, path] {
        m_importWorker->deleteLater();
        m_importWorker = nullptr;
        finishImport(path, *job, *locations);
    });
    setImporting(true);
    m_importWorker->start();
}

void ZelTreePane::finishImport(const QString& path, ZelImportJob& job,
                               ZelTreeFill::Locations& locations)
{
    // The catalogue was changed while the worker read it: the import runs again on the new one.
    if (document() != m_importDocument || m_zelDefs->revision() != m_importRevision) {
        if (storeForImport()) {
            startImport(path);
            return;
        }
        FillZelTree();
        endImport();
        return;
    }
    if (!job.catalogueProblem.isEmpty()) {
        m_interaction.showMessage(m_zelDefs->path() + u": "_s + job.catalogueProblem);
        FillZelTree();
        endImport();
        return;
    }
    if (job.changed) {
        m_zelDefs->adopt(std::move(job.catalogue), job.saved.ok());
        // The worker's write failed: the owner tries again and reports how that ends.
        if (!job.saved)
            saveZelDefs();
    }
    if (!path.isEmpty())
        reportImport(job.result, path);
    fillInSlices(std::move(locations));
}

void ZelTreePane::setImporting(bool importing)
{
    // The tree is made again from the catalogue as merged: no edit may come in between.
    for (QToolButton* button : {m_tbImport, m_tbAdd, m_tbEdit, m_tbDelete})
        button->setEnabled(!importing);
}

void ZelTreePane::endImport()
{
    setImporting(false);
    Q_EMIT importFinished();
}

ZelTreePane::~ZelTreePane()
{
    if (m_importWorker)
        m_importWorker->wait();
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
