#pragma once

#include <QString>

#include <functional>

class TOKBottomDlg1;

// What the assignment actions of the link configuration page ask of the operator,
// replaceable so that tests drive them without a modal window. The defaults show the real
// dialogs.
struct LinkPageInteraction
{
    // Shows the prepared add-exceptions dialog until it is accepted or closed.
    std::function<void(TOKBottomDlg1& dialog)> runExceptDialog;
    // A question with Yes and No; true for Yes.
    std::function<bool(const QString& text)> confirm;
};
