#pragma once

#include "store/LinkDefs.h"
#include "store/OfficeAlarmTypes.h"
#include "ui/TGridFilter.h"
#include "ui/logic/AssignedRef.h"

#include <QDialog>

#include <vector>

class DocumentOwner;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

// A location row of the main grid's selection, as the new exceptions inherit it.
struct ExceptTargetLocation
{
    LinkKey location;
    AssignedRef zelAlarm;
    AssignedRef zelGroup;
};

// The dialog that adds exceptions for office alarm types, either to the locations selected in
// the main grid or as general exceptions. It lists the alarm types of the link document, can
// filter them by code and text, and on "Add Selection" writes the chosen types into the
// document and saves it once.
class TOKBottomDlg1 : public QDialog
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 501;
    static constexpr int ClientHeight = 419;
    static constexpr int FixedColumnWidth = 15;
    static constexpr int CodeColumnWidth = 60;
    static constexpr int TextColumnWidth = 400;
    static constexpr int DefaultRowHeight = 16;

    enum Column
    {
        Fixed = 0,
        Code = 1,
        Text = 2,
        ColumnCount = 3,
    };

    // FormCreate: captions, the first choice of rgSelected, not accepted.
    explicit TOKBottomDlg1(QWidget* parent = nullptr);

    void setLinkDefs(DocumentOwner* linkDefs) { m_linkDefs = linkDefs; }
    // The visible location rows of the main grid's selection, top to bottom.
    void setTargetLocations(std::vector<ExceptTargetLocation> targets)
    {
        m_targets = std::move(targets);
    }
    bool accepted() const { return m_accepted; }

    // Fills sgExcept with the alarm types of the link document and lines up the filter bar.
    void FormShow();

    QTableWidget& sgExcept() { return *m_sgExcept; }
    TGridFilter& gfAlarm() { return m_gfAlarm; }

public Q_SLOTS:
    void OKBtnClick();
    void CancelBtnClick();
    void cbFilter1Click() { filterAlarmTypes(); }
    void cbFilter2Click() { filterAlarmTypes(); }
    void edFilter1Change();
    void edFilter2Change();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildGrid();
    QGroupBox* buildFilterBar();
    QGroupBox* buildChoices();
    void applyCaptions();
    void lineUpFilterBar();
    void filterAlarmTypes();
    bool sgExceptKeyDown(QKeyEvent* event);
    void addSelection();

    DocumentOwner* m_linkDefs = nullptr;
    std::vector<ExceptTargetLocation> m_targets;
    std::vector<OfficeAlarmType> m_alarmTypes; // by row of sgExcept
    bool m_accepted = false;

    QTableWidget* m_sgExcept = nullptr;
    QGroupBox* m_groupBox1 = nullptr;
    QCheckBox* m_cbFilter1 = nullptr;
    QLineEdit* m_edFilter1 = nullptr;
    QCheckBox* m_cbFilter2 = nullptr;
    QLineEdit* m_edFilter2 = nullptr;
    QGroupBox* m_rgSelected = nullptr;
    QRadioButton* m_rbLocations = nullptr;
    QRadioButton* m_rbGeneral = nullptr;
    QPushButton* m_cancelBtn = nullptr;
    QPushButton* m_okBtn = nullptr;
    TGridFilter m_gfAlarm;
};
