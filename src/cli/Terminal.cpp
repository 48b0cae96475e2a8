#include "Terminal.h"

#include <unistd.h>

namespace Terminal {

bool isTerminal(Stream stream)
{
    return ::isatty(stream == Stream::Output ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

} // namespace Terminal
