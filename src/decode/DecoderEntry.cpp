// The decoder module's entry point, looked up by MessageDecoder when the
// module is loaded (or linked straight in, when the program is built with
// the decoder).
#include "decode/MimeDecoder.h"

extern "C" __attribute__((visibility("default"))) MessageDecoding *tollervane_new_message_decoding()
{
    return new MimeDecoder;
}
