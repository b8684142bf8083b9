// The key script that types a text verbatim: the characters that the script
// language reads as modifier prefixes, groups or Enter are written as
// one-character brace groups ("+" as "{+}", "{" as "{{}", "}" as "{}}").
// "(" and ")" outside a group are plain shifted characters and stay as they
// are.
#pragma once

#include <string>
#include <string_view>

namespace orvanel::test {

inline std::string LiteralScript(std::string_view text) {
    std::string script;
    for (char c : text) {
        switch (c) {
        case '+':
        case '^':
        case '%':
        case '~':
        case '{':
        case '}':
            script += '{';
            script += c;
            script += '}';
            break;
        default:
            script += c;
            break;
        }
    }
    return script;
}

} // namespace orvanel::test
