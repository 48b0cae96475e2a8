#pragma once

// True when some row's first column equals the text exactly (same length,
// same characters, letter case included). Both lists answer it from an
// index of their own: the file list for a path, the results list for a
// result's bytes.
template <class List, class Text> bool ListviewContainsText(const List &list, const Text &text)
{
    return list.firstColumnContains(text);
}
