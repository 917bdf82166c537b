#pragma once

#include "LinkPageInteraction.h"

#include "ui/TGridFilter.h"
#include "ui/logic/AssignedRef.h"

#include <QWidget>

class DefinitionsGrid;
class DocumentOwner;
class FilterBar;
class QLabel;
class QSplitter;
class QToolButton;
class XmlDocument;
class ZelTreePane;
struct ZelItemKey;

// The "Link configuration" page. Its left pane lists every office alarm definition of the
// link document in the grid sgMain, with a filter bar below it and a tool bar above; the
// right pane, behind a splitter, is the ZEL location tree. The page reads the link document
// only when asked to rebuild or when a ZEL item was deleted, and asks for a refresh by a
// signal: it never reaches into the engine.
class LinkConfigPage : public QWidget
{
    Q_OBJECT
public:
    explicit LinkConfigPage(QWidget* parent = nullptr);

    // The owners the engine shares: the tree edits the ZEL definitions, and deleting a ZEL
    // item clears the link assignments that named it.
    void setDocuments(DocumentOwner* zelDefs, DocumentOwner* linkDefs);

    // The texts of the title strip, the tool hints and the filter bar from the language table.
    void applyCaptions();

    // Rebuilds headers, rows, column widths and the filter bar's layout from the document,
    // then applies the filter bar again. Captions follow the language table as well.
    void FillDefinitionsGrid(const XmlDocument& linkDefs);
    // Shows every row, then hides those that fail the filter bar.
    void FilterDefinitionsGrid();

    DefinitionsGrid& sgMain() { return *m_sgMain; }
    TGridFilter& gfMain() { return m_gfMain; }
    QSplitter& splitter() { return *m_splitter; }
    ZelTreePane& zelTree() { return *m_zelTree; }

    // Replaces the add-exceptions dialog and the confirmation (tests).
    LinkPageInteraction& interaction() { return m_interaction; }

    // Writes the ZEL alarm selected in the tree into column (ZEL Alarm or Group) of every
    // visible selected row and into the link document, then saves it. The grid is not rebuilt:
    // the rows keep showing until the filter runs again.
    void AssignZelAlarm(int column);
    // Opens the location the reference names and selects its alarm (the location when the
    // alarm is not there), refreshing the property list and the assign buttons.
    void ShowAssignedZelAlarm(const std::optional<ZelAlarmRef>& ref);

public Q_SLOTS:
    void tbRefreshClick();
    // After the ZEL item deleted left the catalogue: empties the assignments that named it,
    // rebuilds the grid (the first selected row stays current) and saves the link document.
    // Assignments that named nothing before are emptied too when the operator agrees to the
    // question that counts them. Nothing is emptied while the catalogue is not the one read
    // from its file (set aside, unreadable): the links were not made with it.
    void RemoveDanglingLinks(const ZelItemKey& deleted);
    // After a ZEL item was renumbered: every assignment that named it follows, in one edit of
    // the link document, saved once.
    void followRenumberedZelItem(const ZelItemKey& from, const ZelItemKey& to);

    // The assignment actions; each walks the visible rows of the selected block and saves the
    // link document once at its end.
    void tbConnectClick();
    void tbGroupClick();
    void tbDeleteGroupClick();
    void tbAddExceptClick();
    void tbDeleteExceptClick();
    void sgMainDblClick();
    // One rule for the three buttons that act on the grid's selection: each is enabled when it
    // can change a row, that is while visible rows are selected, and for the two that assign,
    // while the last click in the tree chose an alarm.
    void updateAssignButtons();

Q_SIGNALS:
    // The operator asked to fetch the office definitions again.
    void refreshRequested();

private:
    QWidget* buildLeftPane();
    QWidget* buildToolBar();
    QStringList headerTexts() const;
    void lineUpFilterBar();
    void applyFilterBar(TGridFilter::Notice notice);

    // LinkAssignActions.cpp
    void connectAssignActions();
    void setUpDefaultInteraction();
    const XmlDocument* linkDocument() const;
    void writeAssignment(const QList<int>& rows, int column, const AssignedRef& value);
    void rebuildWithCurrentRow(int row);
    bool catalogueMatchesLinks() const;
    void rebuildKeepingSelection();
    void saveLinkDefs();

    QSplitter* m_splitter = nullptr;
    QLabel* m_label5 = nullptr;
    QToolButton* m_tbRefresh = nullptr;
    QToolButton* m_tbAddExcept = nullptr;
    QToolButton* m_tbDeleteExcept = nullptr;
    DefinitionsGrid* m_sgMain = nullptr;
    FilterBar* m_filterBar = nullptr;
    ZelTreePane* m_zelTree = nullptr;
    TGridFilter m_gfMain;
    DocumentOwner* m_zelDefs = nullptr;
    DocumentOwner* m_linkDefs = nullptr;
    LinkPageInteraction m_interaction;
};
