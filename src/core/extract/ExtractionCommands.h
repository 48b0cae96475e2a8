#pragma once

#include "ExtractionJob.h"

class ErrorTrap;
class RunHost;

// The bodies of the extraction commands, one per kind, each under the
// caller's error trap (ExtractionEngine picks one).
namespace ExtractionCommands {

void allLines(RunHost &host, ErrorTrap &trap, const ExtractionJob &job);
// Containing and Not Containing with a literal text, the text read again
// whenever it is edited during the run.
void lineFilter(RunHost &host, ErrorTrap &trap, ExtractionJob &job);
// Containing and Not Containing with a pattern, or only the matching text.
void patternLineFilter(RunHost &host, ErrorTrap &trap, const ExtractionJob &job);
void linesByNumber(RunHost &host, ErrorTrap &trap, const ExtractionJob &job);
void between(RunHost &host, ErrorTrap &trap, ExtractionJob &job);
void textSets(RunHost &host, ErrorTrap &trap, ExtractionJob &job);
// Text sets as patterns, or with only the matching text.
void patternTextSets(RunHost &host, ErrorTrap &trap, const ExtractionJob &job);
// One row per message: the values of the job's header fields.
void headerFields(RunHost &host, ErrorTrap &trap, const ExtractionJob &job);

} // namespace ExtractionCommands
