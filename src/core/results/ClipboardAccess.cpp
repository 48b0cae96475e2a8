#include "ClipboardAccess.h"

#include "core/app/Prompts.h"

#include <exception>

namespace {

template <class Attempt> bool retry(Attempt &&attempt)
{
    for (int i = 0; i < ClipboardAttempts; ++i) {
        try {
            if (attempt())
                return true;
        } catch (const std::exception &) {
            // A failed attempt is just tried again.
        }
    }
    return false;
}

} // namespace

void ClearClipboard(Prompts &prompts)
{
    retry([&] { return prompts.clearClipboard(); });
}

bool SetClipboardText(Prompts &prompts, const QString &text)
{
    return retry([&] { return prompts.setClipboardText(text); });
}
