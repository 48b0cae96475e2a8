#include "decode/LibraryInit.h"

#include "decode/DeadlineStream.h"
#include "decode/GMimeIncludes.h"
#include <libxml/parser.h>

#include <mutex>

// Converters held open for the life of the program (see gmime()). Visible
// outside this file, so that no optimiser drops the stores as never read.
iconv_t TollervaneHeldConverters[2];

namespace LibraryInit {

void gmime()
{
    static std::once_flag once;
    std::call_once(once, [] {
        g_mime_init();
        // GLib makes each type's class the first time an object of it is
        // made, under locks of its own. Made here, once, every class the
        // decoder meets is there before any thread decodes, so no thread
        // sees another still setting one up.
        for (const GType type : { GMIME_TYPE_OBJECT, GMIME_TYPE_PART, GMIME_TYPE_TEXT_PART, GMIME_TYPE_MULTIPART,
                 GMIME_TYPE_MULTIPART_ENCRYPTED, GMIME_TYPE_MULTIPART_SIGNED, GMIME_TYPE_MESSAGE,
                 GMIME_TYPE_MESSAGE_PART, GMIME_TYPE_MESSAGE_PARTIAL, GMIME_TYPE_PARSER, GMIME_TYPE_STREAM_MEM,
                 GMIME_TYPE_STREAM_NULL, GMIME_TYPE_STREAM_FILTER, GMIME_TYPE_DATA_WRAPPER, GMIME_TYPE_CONTENT_TYPE,
                 GMIME_TYPE_CONTENT_DISPOSITION, GMIME_TYPE_PARAM_LIST, GMIME_TYPE_HEADER_LIST, GMIME_TYPE_FILTER_BASIC,
                 GMIME_TYPE_FILTER_CHARSET }) {
            g_type_class_ref(type); // kept for the life of the program
        }
        g_type_class_ref(DeadlineStream::type());
        // The parser reads 8-bit header bytes through converters to its
        // fallback charsets, opening and closing one each time; the C
        // library unloads a converter's module once nobody holds it, so
        // every such header loaded the module again. One converter of each
        // held for the life of the program keeps them loaded.
        TollervaneHeldConverters[0] = g_mime_iconv_open("UTF-8", "windows-1252");
        TollervaneHeldConverters[1] = g_mime_iconv_open("UTF-8", "iso-8859-1");
    });
}

void libxml()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

} // namespace LibraryInit
