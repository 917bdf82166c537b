#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// What the item dialog carries in and out.
struct ZelItemValues
{
    int code = 0;
    QString name;
    int groupDelay = 0; // seconds
    int repeat = 0;     // minutes
};

// The dialog that adds or edits one ZEL location or alarm: code, name and, for an alarm, its
// group delay and repeat interval. The caller sets mode, kind and values, calls FormShow and
// shows it; OK reads the values back and marks it accepted.
class TOKBottomDlg : public QDialog
{
    Q_OBJECT
public:
    enum class Mode
    {
        Add,
        Edit,
    };
    enum class Kind
    {
        Location,
        Alarm,
    };

    static constexpr int NameLength = 40;
    static constexpr int LocationCodeMax = 9999;
    static constexpr int AlarmCodeMax = 99;
    static constexpr int GroupDelayMax = 3600;
    static constexpr int GroupDelayStep = 30;
    static constexpr int RepeatMax = 1440;

    explicit TOKBottomDlg(QWidget* parent = nullptr);

    void setMode(Mode mode) { m_mode = mode; }
    void setKind(Kind kind) { m_kind = kind; }
    Mode mode() const { return m_mode; }
    Kind kind() const { return m_kind; }
    void setValues(const ZelItemValues& values) { m_values = values; }
    const ZelItemValues& values() const { return m_values; }
    bool accepted() const { return m_accepted; }

    // Captions, ranges, visibility and height from kind and mode, then the values into the
    // controls; marks the dialog not accepted.
    void FormShow();

public Q_SLOTS:
    // Marks it accepted, reads the numbers and the name (its first 40 characters, without
    // leading and trailing blanks) and closes.
    void OKBtnClick();
    void CancelBtnClick();

private:
    QSpinBox* spinBox(const char* name);
    QLabel* label(const char* name);

    Mode m_mode = Mode::Add;
    Kind m_kind = Kind::Location;
    ZelItemValues m_values;
    bool m_accepted = false;

    QLabel* m_lblCode = nullptr;
    QSpinBox* m_spnCode = nullptr;
    QLabel* m_lblNaam = nullptr;
    QLineEdit* m_edtNaam = nullptr;
    QLabel* m_lblDelay = nullptr;
    QSpinBox* m_spnDelay = nullptr;
    QLabel* m_lblSeconds = nullptr;
    QLabel* m_lblHerhaal = nullptr;
    QSpinBox* m_spnHerhaal = nullptr;
    QLabel* m_lblminutes = nullptr;
    QPushButton* m_okBtn = nullptr;
    QPushButton* m_cancelBtn = nullptr;
};
