#include "QuestionBox.h"

#include "core/Language.h"

#include <QPushButton>

bool askYesNo(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    const bool dutch = languageIsDutch();
    box.button(QMessageBox::Yes)->setText(dutch ? QStringLiteral("Ja") : QStringLiteral("Yes"));
    box.button(QMessageBox::No)->setText(dutch ? QStringLiteral("Nee") : QStringLiteral("No"));
    return box.exec() == QMessageBox::Yes;
}
