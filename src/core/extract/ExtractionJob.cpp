#include "ExtractionJob.h"

#include "core/app/AppFailure.h"

#include <QJsonArray>
#include <QJsonObject>

#include <array>
#include <utility>

namespace {
const std::array<std::pair<const char *, ExtractionJob::Kind>, 6> KindNames { {
    { "all", ExtractionJob::Kind::AllLines },
    { "containing", ExtractionJob::Kind::Containing },
    { "not-containing", ExtractionJob::Kind::NotContaining },
    { "lines", ExtractionJob::Kind::ByNumber },
    { "between", ExtractionJob::Kind::Between },
    { "sets", ExtractionJob::Kind::TextSets },
} };
} // namespace

bool ExtractionJob::kindFromName(const QString &name, Kind &kind)
{
    for (const auto &[text, value] : KindNames) {
        if (name == QLatin1StringView(text)) {
            kind = value;
            return true;
        }
    }
    return false;
}

ExtractionJob ExtractionJob::fromJson(const QJsonObject &object)
{
    ExtractionJob job;
    const QString kind = object.value(QStringLiteral("kind")).toString();
    if (!kindFromName(kind, job.kind))
        throw AppFailure(QStringLiteral("unknown extraction kind \"%1\"").arg(kind));
    job.text = object.value(QStringLiteral("text")).toString();
    job.startMarker = object.value(QStringLiteral("start")).toString();
    job.endMarker = object.value(QStringLiteral("end")).toString();
    for (const QJsonValue &set : object.value(QStringLiteral("sets")).toArray())
        job.sets.append(set.toString());
    job.patterns = object.value(QStringLiteral("patterns")).toBool();
    job.onlyMatching = object.value(QStringLiteral("onlyMatching")).toBool();
    job.decoded = object.value(QStringLiteral("decoded")).toBool();
    return job;
}
