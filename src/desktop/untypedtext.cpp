#include "desktop/untypedtext.h"

namespace orvanel {

std::string UntypedText(const UntypedCharacters& untyped) {
    if (untyped.count == 0) {
        return {};
    }
    std::string text = std::to_string(untyped.count) +
                       (untyped.count == 1 ? " character" : " characters") +
                       " not in the keyboard layout:";
    for (const char c : untyped.characters) {
        text += ' ';
        text += c;
    }
    return text;
}

} // namespace orvanel
