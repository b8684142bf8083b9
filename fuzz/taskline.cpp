// Fuzz target: the task-line operations ExtractField and CountChar, and the
// integer-text conversions TextToInt and TextToIntDef.
//
// Input: one byte chooses the separator text (empty, one character, or two
// characters of which only the first counts), four bytes an index, four and
// four bytes two defaults; the rest is the text. Besides not crashing:
//   - the fields 0 to CountChar(text, sep) joined by the separator give back
//     the readable text (its first 255 characters, up to a NUL);
//   - no field holds the separator or is longer than 255 characters; every
//     index below 0 or above the count gives an empty field;
//   - only the first character of the separator text counts, and an empty
//     separator makes the whole readable text field 0;
//   - CountChar counts the character in the readable text;
//   - TextToIntDef agrees with the plain reference reader below, for two
//     different defaults, and TextToInt throws exactly when the text is not
//     an integer text, with the message "'<text>' is not a valid integer
//     value".
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "schedule/error.h"
#include "schedule/taskline.h"

namespace {

using namespace orvanel;

void Check(bool holds, const char* what, std::string_view text) {
    if (!holds) {
        std::fprintf(stderr, "%s (text of %zu bytes)\n", what, text.size());
        std::abort();
    }
}

// What every operation reads of a text: up to a NUL, at most 255 characters.
std::string_view Readable(std::string_view text) {
    text = text.substr(0, std::min<std::size_t>(text.size(), 255));
    return text.substr(0, std::min(text.size(), text.find('\0')));
}

// An integer text read the plain way: blanks, then a sign and decimal
// digits, or "$" and hexadecimal digits, then nothing. Decimal values are
// checked by comparing digit strings, hexadecimal ones by their count of
// significant digits.
std::optional<std::int32_t> ReferenceInteger(std::string_view text) {
    std::size_t p = text.find_first_not_of(' ');
    if (p == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view rest = text.substr(p);
    const auto allOf = [](std::string_view digits, std::string_view alphabet) {
        return !digits.empty() && digits.find_first_not_of(alphabet) == std::string_view::npos;
    };
    const auto significant = [](std::string_view digits) {
        const std::size_t first = digits.find_first_not_of('0');
        return first == std::string_view::npos ? std::string_view() : digits.substr(first);
    };
    if (rest.front() == '$') {
        const std::string_view digits = rest.substr(1);
        if (!allOf(digits, "0123456789abcdefABCDEF")) {
            return std::nullopt;
        }
        const std::string_view value = significant(digits);
        if (value.size() > 8) {
            return std::nullopt;
        }
        std::uint32_t pattern = 0;
        for (const char c : value) {
            const std::uint32_t digit = c <= '9'   ? std::uint32_t(c - '0')
                                        : c <= 'F' ? std::uint32_t(c - 'A' + 10)
                                                   : std::uint32_t(c - 'a' + 10);
            pattern = (pattern << 4) | digit;
        }
        return static_cast<std::int32_t>(pattern);
    }
    bool negative = false;
    if (rest.front() == '+' || rest.front() == '-') {
        negative = rest.front() == '-';
        rest = rest.substr(1);
    }
    if (!allOf(rest, "0123456789")) {
        return std::nullopt;
    }
    const std::string_view value = significant(rest);
    const std::string_view limit = negative ? "2147483648" : "2147483647";
    if (value.size() > limit.size() || (value.size() == limit.size() && value > limit)) {
        return std::nullopt;
    }
    std::int64_t magnitude = 0;
    for (const char c : value) {
        magnitude = magnitude * 10 + (c - '0');
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

void CheckFields(std::string_view text, std::string_view separatorText, std::int32_t index) {
    const std::string_view readable = Readable(text);
    const std::string one =
        separatorText.empty() ? std::string() : std::string(1, separatorText[0]);

    // Only the first character of the separator text counts.
    Check(ExtractField(text, separatorText, index) == ExtractField(text, one, index),
          "ExtractField depends on more than the separator's first character", text);
    Check(CountChar(text, separatorText) == CountChar(text, one),
          "CountChar depends on more than the character text's first character", text);

    if (one.empty() || one[0] == '\0') {
        Check(CountChar(text, one) == 0, "NUL was counted", text);
        Check(ExtractField(text, one, 0) == readable,
              "with no separator, field 0 is not the whole readable text", text);
        Check(ExtractField(text, one, 1).empty(), "with no separator, field 1 is not empty", text);
        return;
    }
    const char separator = one[0];
    const std::int32_t count = CountChar(text, one);
    Check(count ==
              static_cast<std::int32_t>(std::count(readable.begin(), readable.end(), separator)),
          "CountChar miscounts", text);

    std::string joined;
    for (std::int32_t i = 0; i <= count; ++i) {
        const std::string field = ExtractField(text, one, i);
        Check(field.size() <= 255, "a field is longer than 255 characters", text);
        Check(field.find(separator) == std::string::npos, "a field holds the separator", text);
        if (i > 0) {
            joined += separator;
        }
        joined += field;
    }
    Check(joined == readable, "the joined fields differ from the readable text", text);
    Check(ExtractField(text, one, count + 1).empty(), "a field after the last is not empty", text);
    Check(ExtractField(text, one, -1).empty(), "field -1 is not empty", text);
    const std::string field = ExtractField(text, one, index);
    Check(index < 0 || index > count ? field.empty() : field.size() <= readable.size(),
          "the field of the fuzzed index is wrong", text);
}

void CheckIntegers(std::string_view text, std::int32_t default1, std::int32_t default2) {
    if (default2 == default1) {
        default2 = default1 ^ 1;
    }
    const std::optional<std::int32_t> expected = ReferenceInteger(Readable(text));
    const std::int32_t value1 = TextToIntDef(text, default1);
    const std::int32_t value2 = TextToIntDef(text, default2);
    bool threw = false;
    std::int32_t strict = 0;
    try {
        strict = TextToInt(text);
    } catch (const Error& error) {
        threw = true;
        Check(std::string(error.what()) ==
                  "'" + std::string(Readable(text)) + "' is not a valid integer value",
              "TextToInt raised a wrong message", text);
    }
    if (expected) {
        Check(value1 == *expected && value2 == *expected,
              "TextToIntDef disagrees with the reference reader", text);
        Check(!threw && strict == *expected, "TextToInt disagrees with the reference reader", text);
    } else {
        Check(value1 == default1 && value2 == default2,
              "TextToIntDef read a malformed integer text", text);
        Check(threw, "TextToInt accepted a malformed integer text", text);
    }
    // The two conversions agree among themselves whatever the reference says.
    Check(threw == (value1 == default1 && value2 == default2),
          "TextToInt throws other than when TextToIntDef gives the default", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Byte 0 the separator choice, bytes 1 to 12 the index and the two
    // defaults (little-endian), then the text; missing bytes count as 0.
    const auto byteAt = [&](std::size_t i) -> std::uint32_t { return i < size ? data[i] : 0u; };
    const auto int32At = [&](std::size_t i) {
        return static_cast<std::int32_t>(byteAt(i) | byteAt(i + 1) << 8 | byteAt(i + 2) << 16 |
                                         byteAt(i + 3) << 24);
    };
    const auto choice = static_cast<std::uint8_t>(byteAt(0));
    const char separatorChar = choice < 16 ? '|' : choice < 32 ? ';' : static_cast<char>(choice);
    std::string separatorText;
    if (choice % 7 != 0) {
        separatorText += separatorChar;
        if (choice % 5 == 0) {
            separatorText += 'x'; // a second character, which does not count
        }
    }
    const std::int32_t index = int32At(1);
    const std::int32_t default1 = int32At(5);
    const std::int32_t default2 = int32At(9);
    const std::string text = size > 13
                                 ? std::string(reinterpret_cast<const char*>(data) + 13, size - 13)
                                 : std::string();

    CheckFields(text, separatorText, index);
    CheckIntegers(text, default1, default2);
    return 0;
}
