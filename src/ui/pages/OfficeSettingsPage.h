#pragma once

#include "forwarding/ForwardingOptions.h"

#include <QWidget>

class DiagnosticList;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class SettingsPanel;
struct Settings;

// The page "Priva Office / Other settings": the office server, the language, the two
// alarm-text switches and the list lbxComDebug of polling and evaluation lines. Only the two
// switches act at once (optionsChanged); the rest is saved at exit for the next start.
class OfficeSettingsPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int ListExtent = 8000;

    explicit OfficeSettingsPage(QWidget* parent = nullptr);

    // Labels, captions and accessible names from the language table.
    void applyCaptions();

    // Shows the office server, the language and the two switches of the working values.
    void showSettings(const Settings& settings);
    // Puts what the controls hold into the values that are saved at exit: the server as typed,
    // "ENG" or "NLD", the two switches.
    void readSettings(Settings& settings) const;
    ForwardingOptions options() const;

    DiagnosticList& lbxComDebug() { return *m_lbxComDebug; }

public Q_SLOTS:
    void btnClearComDebugClick();

Q_SIGNALS:
    // One of the two alarm-text switches changed: forwarding uses them at the next message.
    void optionsChanged(const ForwardingOptions& options);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildPanel();
    QGroupBox* buildLanguageGroup(QWidget* parent);
    QLabel* addSwitch(SettingsPanel* panel, QCheckBox* box, const char* labelName);
    void switchToggled();

    QLabel* m_label8 = nullptr;
    QLabel* m_label14 = nullptr;
    QLineEdit* m_edtPOServer = nullptr;
    QGroupBox* m_radioGroup1 = nullptr;
    QRadioButton* m_english = nullptr;
    QRadioButton* m_dutch = nullptr;
    QCheckBox* m_cbPCU = nullptr;
    QLabel* m_label15 = nullptr;
    QCheckBox* m_cbPunct = nullptr;
    QLabel* m_label17 = nullptr;
    QLabel* m_label16 = nullptr;
    QPushButton* m_btnClearComDebug = nullptr;
    DiagnosticList* m_lbxComDebug = nullptr;
};
