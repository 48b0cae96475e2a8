#include "ExtractionEngine.h"

#include "ExtractionCommands.h"
#include "RunHost.h"
#include "core/app/ErrorTrap.h"

void ExtractionEngine::run(RunHost &host, ExtractionJob job, const QString &procedure)
{
    ErrorTrap trap(host.prompts(), procedure);
    using Kind = ExtractionJob::Kind;
    switch (job.kind) {
    case Kind::AllLines:
        ExtractionCommands::allLines(host, trap, job);
        return;
    case Kind::Containing:
    case Kind::NotContaining:
        // Only the matching text makes sense for lines that hold the text.
        if (job.patterns || (job.kind == Kind::Containing && job.onlyMatching))
            ExtractionCommands::patternLineFilter(host, trap, job);
        else
            ExtractionCommands::lineFilter(host, trap, job);
        return;
    case Kind::ByNumber:
        ExtractionCommands::linesByNumber(host, trap, job);
        return;
    case Kind::Between:
        ExtractionCommands::between(host, trap, job);
        return;
    case Kind::HeaderFields:
        ExtractionCommands::headerFields(host, trap, job);
        return;
    case Kind::TextSets:
        if (job.patterns || job.onlyMatching)
            ExtractionCommands::patternTextSets(host, trap, job);
        else
            ExtractionCommands::textSets(host, trap, job);
        return;
    }
}
