#pragma once

// How the text of a message is searched: as 8-bit bytes, one character per
// byte with the Latin-1 letter cases, or decoded, as UTF-8 with the Unicode
// letter cases.
enum class TextKind { Bytes, Unicode };
