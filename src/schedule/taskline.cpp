#include "schedule/taskline.h"

#include <cstring>

#include "schedule/error.h"

namespace orvanel {

namespace {

// The first character of a separator text; NUL stands for an empty text.
char FirstChar(std::string_view text) {
    return text.empty() ? '\0' : text.front();
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads an integer text; false when it is malformed.
bool ParseIntegerText(std::string_view text, std::int32_t& value) {
    std::size_t p = 0;
    while (p < text.size() && text[p] == ' ') {
        ++p;
    }
    if (p == text.size()) {
        return false; // empty, or blanks only
    }
    if (text[p] == '$') {
        ++p;
        if (p == text.size()) {
            return false;
        }
        std::uint64_t pattern = 0;
        for (; p < text.size(); ++p) {
            const int digit = HexDigit(text[p]);
            if (digit < 0) {
                return false;
            }
            pattern = pattern * 16 + static_cast<std::uint64_t>(digit);
            if (pattern > 0xFFFFFFFFu) {
                return false;
            }
        }
        // A 32-bit two's-complement pattern: $FFFFFFFF is -1.
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(pattern));
        return true;
    }
    bool negative = false;
    if (text[p] == '-' || text[p] == '+') {
        negative = text[p] == '-';
        ++p;
    }
    if (p == text.size()) {
        return false;
    }
    // The magnitude may reach 2147483648 only for a negative value.
    const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
    std::uint64_t magnitude = 0;
    for (; p < text.size(); ++p) {
        if (!IsDigit(text[p])) {
            return false;
        }
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[p] - '0');
        if (magnitude > limit) {
            return false;
        }
    }
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return true;
}

} // namespace

std::string_view TextBeforeNul(std::string_view text) {
    if (text.empty()) {
        return text; // its data() may be null, which memchr must not get
    }
    const void* nul = std::memchr(text.data(), '\0', text.size());
    if (nul == nullptr) {
        return text;
    }
    return text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
}

std::string_view ReadableText(std::string_view text) {
    return TextBeforeNul(text.substr(0, kMaxTextLength));
}

std::string ExtractField(std::string_view line, std::string_view separator, std::int32_t index) {
    if (index < 0) {
        return {};
    }
    line = ReadableText(line);
    const char sep = FirstChar(separator);
    if (sep == '\0') {
        // NUL never occurs inside the readable line: the whole line is field 0.
        return index == 0 ? std::string(line) : std::string();
    }
    // Pass over `index` separators, then take the text up to the next one.
    const char* p = line.data();
    const char* const end = p + line.size();
    for (std::int32_t k = 0; k < index; ++k) {
        if (p == end) {
            return {}; // memchr must not get the null data() of an empty line
        }
        const void* found = std::memchr(p, sep, static_cast<std::size_t>(end - p));
        if (found == nullptr) {
            return {};
        }
        p = static_cast<const char*>(found) + 1;
    }
    const void* next = p == end ? nullptr : std::memchr(p, sep, static_cast<std::size_t>(end - p));
    const char* fieldEnd = next == nullptr ? end : static_cast<const char*>(next);
    return std::string(p, fieldEnd);
}

std::int32_t CountChar(std::string_view text, std::string_view character) {
    const char c = FirstChar(character);
    if (c == '\0') {
        return 0;
    }
    std::int32_t count = 0;
    for (const char t : ReadableText(text)) {
        count += t == c ? 1 : 0;
    }
    return count;
}

std::int32_t TextToInt(std::string_view text) {
    text = ReadableText(text);
    std::int32_t value = 0;
    if (!ParseIntegerText(text, value)) {
        throw Error("'" + std::string(text) + "' is not a valid integer value");
    }
    return value;
}

std::int32_t TextToIntDef(std::string_view text, std::int32_t defaultValue) {
    std::int32_t value = 0;
    return ParseIntegerText(ReadableText(text), value) ? value : defaultValue;
}

} // namespace orvanel
