#include "startupfigures.h"

#include <QFile>
#include <QList>
#include <array>
#include <utility>

namespace {

constexpr char peakStatusField[] = "VmHWM:";

using Field = std::pair<const char *, qint64 StartupFigures::*>;
constexpr std::array<Field, 5> fields { {
    { "main-at-ns", &StartupFigures::mainAtNs },
    { "application-at-ns", &StartupFigures::applicationAtNs },
    { "window-built-at-ns", &StartupFigures::windowBuiltAtNs },
    { "shown-at-ns", &StartupFigures::shownAtNs },
    { "peak-rss-kb", &StartupFigures::peakRssKb },
} };

}

QByteArray StartupFigures::line() const
{
    QByteArrayList words;
    for (const auto &[key, member] : fields)
        words << key << QByteArray::number(this->*member);
    return words.join(' ') + '\n';
}

std::optional<StartupFigures> StartupFigures::parse(const QByteArray &output)
{
    const QByteArrayList words = output.simplified().split(' ');
    if (words.size() != qsizetype(2 * fields.size()))
        return std::nullopt;
    StartupFigures figures;
    for (size_t at = 0; at < fields.size(); ++at) {
        const auto &[key, member] = fields[at];
        bool ok = false;
        figures.*member = words.at(qsizetype(2 * at + 1)).toLongLong(&ok);
        if (words.at(qsizetype(2 * at)) != key || !ok)
            return std::nullopt;
    }
    return figures;
}

qint64 peakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(peakStatusField))
            return line.mid(int(sizeof peakStatusField) - 1)
                .simplified()
                .split(' ')
                .value(0)
                .toLongLong();
    }
    return 0;
}
