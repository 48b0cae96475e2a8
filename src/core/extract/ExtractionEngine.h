#pragma once

#include "ExtractionJob.h"

#include <QString>

class RunHost;

// Runs one extraction job over the files its host lists, appending what it
// finds to the host's results, with the steps, line marks, boxes and
// captions of the command that started it. procedure names the command in
// error boxes ("Form1.PushButton2_Click").
class ExtractionEngine
{
public:
    static void run(RunHost &host, ExtractionJob job, const QString &procedure);
};
