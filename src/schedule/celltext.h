// A grid cell holds one line of text: a line break in a cell would split its
// task line in two when the day file is read back. Both window views apply
// this when an edit is committed, and the store when it joins a row.
#pragma once

namespace orvanel {

// `text` (any string of characters: the 8-bit text of the files, or a
// view's UTF-16) with every CR, LF and NUL made a blank.
template <typename Text> Text OneLineCell(Text text) {
    for (auto& c : text) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
    return text;
}

} // namespace orvanel
