#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

class TOKBottomDlg;

// What a file dialog is asked for.
struct FileChoice
{
    enum Kind
    {
        Open,
        Save,
    };
    Kind kind = Open;
    QString title;
    QStringList filters; // "caption(*.ext)", in order
    QString directory;
    QString proposedName; // empty: none
};

// Everything the ZEL tree asks of the operator, replaceable so that tests drive it without a
// modal window. The defaults show the real dialogs.
struct ZelTreeInteraction
{
    // Shows the prepared item dialog until OK, Cancel or the close box ends it.
    std::function<void(TOKBottomDlg& dialog)> runItemDialog;
    // A question with Yes and No; true for Yes.
    std::function<bool(QMessageBox::Icon icon, const QString& text)> ask;
    std::function<void(const QString& text)> showMessage;
    // The chosen file, empty when the operator cancelled.
    std::function<QString(const FileChoice& choice)> chooseFile;
};
