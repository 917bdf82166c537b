#pragma once

#include <QMessageBox>

class QString;
class QWidget;

// Asks a Yes/No question whose buttons speak the program's language, not the
// desktop's: the language table has no entries for them, and mixed languages
// in one question confuse the operator. True when the answer is Yes.
bool askYesNo(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text);
