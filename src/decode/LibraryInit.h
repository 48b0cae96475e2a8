#pragma once

// GMime and libxml2 each want one initialisation per process before any
// thread uses them. Both calls are cheap after the first and safe from any
// thread. Neither library is ever shut down: other threads may still use it.
namespace LibraryInit {

void gmime();
void libxml();

} // namespace LibraryInit
