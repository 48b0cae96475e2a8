#include "ExtractionJob.h"

#include "core/app/AppFailure.h"

#include <QJsonArray>
#include <QJsonObject>

#include <array>
#include <utility>

namespace {
const std::array<std::pair<const char *, ExtractionJob::Kind>, 7> KindNames { {
    { "all", ExtractionJob::Kind::AllLines },
    { "containing", ExtractionJob::Kind::Containing },
    { "not-containing", ExtractionJob::Kind::NotContaining },
    { "lines", ExtractionJob::Kind::ByNumber },
    { "between", ExtractionJob::Kind::Between },
    { "sets", ExtractionJob::Kind::TextSets },
    { "fields", ExtractionJob::Kind::HeaderFields },
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
    const QJsonValue fields = object.value(QStringLiteral("fields"));
    if (fields.isArray()) {
        for (const QJsonValue &field : fields.toArray())
            job.fields.append(field.toString());
    } else {
        job.fields = fieldNames(fields.toString());
    }
    job.patterns = object.value(QStringLiteral("patterns")).toBool();
    job.onlyMatching = object.value(QStringLiteral("onlyMatching")).toBool();
    job.decoded = object.value(QStringLiteral("decoded")).toBool();
    return job;
}

QStringList ExtractionJob::fieldNames(const QString &typed)
{
    QStringList names;
    for (const QString &name : typed.split(QLatin1Char(','))) {
        const QString trimmed = name.trimmed();
        if (!trimmed.isEmpty())
            names.append(trimmed);
    }
    return names;
}
