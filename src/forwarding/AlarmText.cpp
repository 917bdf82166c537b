#include "AlarmText.h"

namespace {

constexpr int kMaxBodyLength = 80;

bool isFiltered(QChar c)
{
    switch (c.unicode()) {
    case u'"':
    case u',':
    case u'-':
    case u'.':
    case u'<':
    case u'>':
    case u'_':
        return true;
    default:
        return false;
    }
}

} // namespace

QString FilterPunctuation(const QString& text, bool filterOn)
{
    if (!filterOn)
        return text;
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (!isFiltered(c))
            result += c;
    }
    return result;
}

QString alarmBody(const QString& pcu, const QString& location, const QString& text, bool sendPcu,
                  bool filterPunct)
{
    QString body;
    if (sendPcu)
        body = FilterPunctuation(pcu, filterPunct) + QLatin1Char(' ');
    return body + FilterPunctuation(location, filterPunct) + QLatin1Char(' ') +
           FilterPunctuation(text, filterPunct);
}

QString messageBody(const QString& alarmText, bool memberOfGroup, const QString& preAlarmText)
{
    QString body = memberOfGroup ? preAlarmText + QStringLiteral(": ") + alarmText : alarmText;
    body.truncate(kMaxBodyLength);
    return body;
}
