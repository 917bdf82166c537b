#pragma once

#include "ZelTreeFill.h"
#include "ZelTreeInteraction.h"

#include "store/ZelCatalogue.h"
#include "ui/dialogs/TOKBottomDlg.h"

#include <QWidget>

#include <memory>
#include <vector>

class DocumentOwner;
class QLabel;
class QTableWidget;
class QThread;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class XmlDocument;
class ZelTreeItem;
struct ZelImportJob;
struct ZelImportResult;

// The right pane of the link configuration page: the ZEL locations and their alarms as held by
// the ZEL definitions, with a tool bar to add, edit, delete, import and export them and a
// property list of the selected item. The tree is a view of the document; every change is
// made on the document through its owner and saved at once.
class ZelTreePane : public QWidget
{
    Q_OBJECT
public:
    explicit ZelTreePane(QWidget* parent = nullptr);
    // Waits for an import still running on its worker.
    ~ZelTreePane() override;

    // The ZEL definitions shared with the engine; the tree shows nothing without them.
    void setZelDefs(DocumentOwner* zelDefs) { m_zelDefs = zelDefs; }

    // The title, the tool hints and the property list's keys from the language table.
    void applyCaptions();

    // Rebuilds the tree from the document in memory: the root "Zel", the locations and their
    // alarms in the tree's sort order; only the root is expanded. At once: an import fills it
    // a slice at a time instead.
    void FillZelTree();
    // Sorts every level of the tree by the tree's rule.
    void sortTree();
    // Makes the alarm nodes of a location whose alarms are still to be made, from the document
    // as it is now; any other node is left as it is. Opening a location does this; whatever
    // looks at a location's alarm nodes without opening it calls it first.
    void makeAlarms(QTreeWidgetItem* node);
    // Selects a node, shows it and refreshes as a click on it does (the jump from the grid).
    void selectNode(QTreeWidgetItem* node);

    QTreeWidget& tvZelLoc() { return *m_tvZelLoc; }
    QTableWidget& vleTree() { return *m_vleTree; }
    ZelTreeItem* selectedNode() const;
    // Whether the last click in the tree selected an alarm: what the assign buttons assign.
    bool alarmClicked() const { return m_alarmClicked; }
    // The assign buttons act on the grid beside the tree: the page connects and enables them.
    QToolButton& tbConnect() { return *m_tbConnect; }
    QToolButton& tbGroup() { return *m_tbGroup; }
    QToolButton& tbDeleteGroup() { return *m_tbDeleteGroup; }

    // Replaces the dialogs and message boxes (tests).
    ZelTreeInteraction& interaction() { return m_interaction; }

    // Runs the item dialog for the selected node and applies it; a code that already exists
    // is refused and the dialog shown again with what the operator entered.
    void EditZelItem(TOKBottomDlg::Mode mode);

public Q_SLOTS:
    // The refresh after a click: property list and the assign buttons.
    void tvZelLocClick();
    void tbAddClick() { EditZelItem(TOKBottomDlg::Mode::Add); }
    void tbEditClick() { EditZelItem(TOKBottomDlg::Mode::Edit); }
    void tbDeleteClick();
    void tbImportClick();
    void tbExportClick();

Q_SIGNALS:
    // A location or alarm left the document: assignments that name it must be cleared.
    void zelItemDeleted(const ZelItemKey& deleted);
    // The operator gave a location or alarm another code: assignments that name it follow.
    void zelItemRenumbered(const ZelItemKey& from, const ZelItemKey& to);
    // The import command has ended, whatever its outcome (the operator has had his answer).
    void importFinished();
    // A click refreshed the property list; alarmClicked() may have changed.
    void clickRefreshed();

private:
    QWidget* buildToolBar();
    void buildPropertyList();
    void setUpDefaultInteraction();
    void fillProperties(const ZelTreeItem* node);
    void addProperty(const QString& key, const QString& value);

    // ZelTreeEditing.cpp
    void prepareDialog(TOKBottomDlg& dialog, TOKBottomDlg::Mode mode, const ZelTreeItem& node);
    ZelEditOutcome applyDialog(const TOKBottomDlg& dialog, ZelTreeItem& node);
    void deleteNode(ZelTreeItem& node);
    void saveZelDefs();
    const XmlDocument* document() const;
    ZelTreeItem* rootNode() const;

    // The tree filled a slice at a time; the import ends with the last.
    void fillInSlices(ZelTreeFill::Locations locations);
    void continueFill();

    // ZelTreeExchange.cpp
    bool prepareImport();
    bool storeForImport();
    void startImport(const QString& path);
    void finishImport(const QString& path, ZelImportJob& job, ZelTreeFill::Locations& locations);
    void setImporting(bool importing);
    void endImport();
    void reportImport(const ZelImportResult& result, const QString& path);

    DocumentOwner* m_zelDefs = nullptr;
    bool m_alarmClicked = false;
    // Runs the import; null when none runs.
    QThread* m_importWorker = nullptr;
    // The catalogue the running import started from: taken in only when still the same.
    const XmlDocument* m_importDocument = nullptr;
    quint64 m_importRevision = 0;
    // The tree being filled by an import; null when none is.
    std::unique_ptr<ZelTreeFill> m_fill;
    ZelTreeInteraction m_interaction;

    QLabel* m_label7 = nullptr;
    QToolButton* m_tbConnect = nullptr;
    QToolButton* m_tbGroup = nullptr;
    QToolButton* m_tbDeleteGroup = nullptr;
    QToolButton* m_tbAdd = nullptr;
    QToolButton* m_tbDelete = nullptr;
    QToolButton* m_tbEdit = nullptr;
    QToolButton* m_tbImport = nullptr;
    QToolButton* m_tbExport = nullptr;
    QTreeWidget* m_tvZelLoc = nullptr;
    QTableWidget* m_vleTree = nullptr;
};
