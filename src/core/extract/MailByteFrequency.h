#pragma once

namespace MailByteFrequency {

// Roughly how many of a thousand characters of mail text (prose, headers,
// encoded parts) are this lower-cased character: the estimate by which the
// needles choose the bytes they look for first.
int perMille(unsigned char c);

} // namespace MailByteFrequency
