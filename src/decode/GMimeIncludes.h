#pragma once

// glib has struct members named "signals", a word Qt defines as a macro:
// GMime's headers are read with the macro set aside.
#ifdef signals
#pragma push_macro("signals")
#undef signals
#include <gmime/gmime.h>
#pragma pop_macro("signals")
#else
#include <gmime/gmime.h>
#endif
