#pragma once

// Whether a standard stream is a terminal: progress is shown only on one,
// and results on one are passed on row by row.
namespace Terminal {

enum class Stream { Output, Error };

bool isTerminal(Stream stream);

} // namespace Terminal
