#pragma once

#include <QWidget>

class DiagnosticList;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
struct Settings;

// The page "ZEL-Pro tcp/IP settings": the ZelMeld connection settings, the test sender and the
// list lbxDebug of ZelMeld traffic. The fields act only at the next start; the page sends its
// test line by a signal and never reaches into the engine.
class ZelSettingsPage : public QWidget
{
    Q_OBJECT
public:
    explicit ZelSettingsPage(QWidget* parent = nullptr);

    // Labels, buttons and accessible names from the language table.
    void applyCaptions();

    // Shows the ZelMeld host, port and watchdog id of the working values.
    void showSettings(const Settings& settings);
    // Puts what the fields hold into the values that are saved at exit: the host as typed,
    // the port from the leading digits of its field, the watchdog id.
    void readSettings(Settings& settings) const;
    int watchdogId() const;

    DiagnosticList& lbxDebug() { return *m_lbxDebug; }

public Q_SLOTS:
    // Queues the test line built from the three test fields exactly as they stand and writes
    // it to the log file as typed by the operator.
    void SendButtonClick();
    void btnClearClick();

Q_SIGNALS:
    void testMessageRequested(const QString& location, const QString& input, const QString& state);

private:
    QWidget* buildSettingsPanel();
    QWidget* buildTestPanel();

    QLabel* m_label10 = nullptr;
    QLabel* m_label11 = nullptr;
    QLineEdit* m_edtAddress = nullptr;
    QLabel* m_label12 = nullptr;
    QLineEdit* m_maskEdit1 = nullptr;
    QLabel* m_lblID = nullptr;
    QSpinBox* m_spinEdit1 = nullptr;
    QLabel* m_label13 = nullptr;
    QLabel* m_label9 = nullptr;
    QLabel* m_lblInvoer = nullptr;
    QLineEdit* m_medtLocatie = nullptr;
    QLabel* m_label3 = nullptr;
    QLineEdit* m_medtInput = nullptr;
    QLabel* m_label4 = nullptr;
    QLineEdit* m_medtStat = nullptr;
    QPushButton* m_sendButton = nullptr;
    QPushButton* m_btnClear = nullptr;
    DiagnosticList* m_lbxDebug = nullptr;
};
