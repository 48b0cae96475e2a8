#pragma once

// Bounds on the work one file may cost. A message beyond them is not
// decoded: the file is read as plain text instead.
struct DecodeLimits
{
    int maxDepth = 100; // nesting of multiparts and enclosed messages
    int maxParts = 10000;
    int maxMilliseconds = 2000;
};
