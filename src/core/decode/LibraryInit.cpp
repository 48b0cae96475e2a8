#include "core/decode/LibraryInit.h"

#include "core/decode/GMimeIncludes.h"
#include <libxml/parser.h>

#include <mutex>

namespace LibraryInit {

void gmime()
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

void libxml()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

} // namespace LibraryInit
