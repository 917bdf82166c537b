#include "ExceptFilterExpression.h"

#include "GridFilterExpression.h"

std::optional<QString> buildExceptFilterExpression(const ExceptFilterBox& code,
                                                   const ExceptFilterBox& text)
{
    QString expression;
    for (const ExceptFilterBox* box : {&code, &text}) {
        const QStringView stripped = trimBlanksAndControls(box->text);
        if (!box->ticked || stripped.isEmpty())
            continue;
        if (stripped.contains(u'"'))
            return std::nullopt;
        if (!expression.isEmpty())
            expression += u" AND ";
        expression += u'[' + box->header + u"] LIKE \"" + stripped + u'"';
    }
    return expression;
}
