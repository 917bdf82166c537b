#include "LineTally.h"

#include <QRegularExpression>

#include <numeric>

namespace {

constexpr std::array kAllKinds = {LineKind::Watchdog, LineKind::Alarm, LineKind::SystemAlarm,
                                  LineKind::Other};

bool matchesWhole(const QString& pattern, const QString& line)
{
    const QRegularExpression expression(QRegularExpression::anchoredPattern(pattern));
    return expression.match(line).hasMatch();
}

} // namespace

LineKind lineKind(const QString& line)
{
    if (matchesWhole(QStringLiteral(R"(\[ZEL WD 09( \d+)?\])"), line))
        return LineKind::Watchdog;
    if (matchesWhole(QStringLiteral(R"(\[ZEL RCVALARM 02,9999,\d+,[ATR]\])"), line))
        return LineKind::SystemAlarm;
    if (matchesWhole(QStringLiteral(R"(\[ZEL RCVALARM 02,.*\])"), line))
        return LineKind::Alarm;
    return LineKind::Other;
}

QString lineKindName(LineKind kind)
{
    switch (kind) {
    case LineKind::Watchdog:
        return QStringLiteral("watchdog");
    case LineKind::SystemAlarm:
        return QStringLiteral("system alarm");
    case LineKind::Alarm:
        return QStringLiteral("alarm");
    case LineKind::Other:
        return QStringLiteral("other");
    }
    return QString();
}

void LineTally::add(const QString& line)
{
    ++m_counts.at(std::size_t(lineKind(line)));
}

int LineTally::total() const
{
    return std::accumulate(m_counts.begin(), m_counts.end(), 0);
}

QString LineTally::summary(int connections) const
{
    QString text = QStringLiteral("summary: %1 lines received on %2 connections\n")
                       .arg(total())
                       .arg(connections);
    for (const LineKind kind : kAllKinds) {
        text += QStringLiteral("  %1 %2\n").arg(lineKindName(kind) + u':', -14).arg(count(kind), 6);
    }
    return text;
}
