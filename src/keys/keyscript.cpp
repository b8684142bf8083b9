#include "keys/keyscript.h"

#include <algorithm>
#include <array>

#include "keys/keynames.h"
#include "schedule/taskline.h"

namespace orvanel {
namespace {

// On the US layout the apostrophe and the double quote share one key: "'"
// is its plain character and '"' its shifted one. So '"' belongs to both
// sets below and "'" to neither.
constexpr std::string_view kShiftedChars = "!#$&\"()*:<>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ_|";
constexpr std::string_view kLiteralSymbols = "~!@#$%^&*()_+|{}\":?><";

constexpr std::array<bool, 256> MakeCharSet(std::string_view chars) {
    std::array<bool, 256> set{};
    for (char c : chars) {
        set[static_cast<unsigned char>(c)] = true;
    }
    return set;
}

constexpr auto kShiftedSet = MakeCharSet(kShiftedChars);
constexpr auto kLiteralSet = MakeCharSet(kLiteralSymbols);

std::string_view Cut(std::string_view text) {
    return text.substr(0, std::min(text.size(), kMaxStepLength));
}

// A modifier prefix: its key and the latch that tells that a group holds it.
struct Modifier {
    std::uint8_t virtualKey;
    bool KeyOutput::*latch;
};

Modifier ModifierOf(char prefix) {
    switch (prefix) {
    case '+':
        return {kVkShift, &KeyOutput::shiftLatch};
    case '^':
        return {kVkControl, &KeyOutput::ctrlLatch};
    default:
        return {kVkMenu, &KeyOutput::altLatch};
    }
}

// A modifier prefix at `pos`; returns the position after what it consumed.
std::size_t PlayModifier(KeyOutput& out, std::string_view step, std::size_t pos) {
    const char prefix = step[pos];
    const Modifier modifier = ModifierOf(prefix);
    const std::size_t length = step.size();

    // A prefix that ends the step has nothing to apply to and sends nothing.
    if (pos + 1 >= length) {
        return length;
    }

    const char next = step[pos + 1];
    if (next != '(' && next != '{') {
        // The prefix applies to the next character alone, taken as plain.
        if (prefix == '+') {
            TypeShiftedChar(out, next);
        } else {
            if (!(out.*modifier.latch)) {
                PressModifier(out, modifier.virtualKey);
            }
            TypeChar(out, next);
            ReleaseModifier(out, modifier.virtualKey);
        }
        return pos + 2;
    }

    // A group up to its matching closing character, or to the end of the step.
    const char open = next;
    const char close = open == '(' ? ')' : '}';
    const std::size_t start = pos + 2;
    std::size_t end = start;
    int depth = 1;
    for (; end < length; ++end) {
        if (step[end] == close) {
            if (--depth == 0) {
                break;
            }
        } else if (step[end] == open) {
            ++depth;
        }
    }
    const std::string_view group = step.substr(start, end - start);
    const std::size_t after = end < length ? end + 1 : length;

    if (!(out.*modifier.latch)) {
        PressModifier(out, modifier.virtualKey);
        out.*modifier.latch = true;
    }
    if (open == '(') {
        PlayStep(out, group);
    } else {
        PlayKeyName(out, group);
    }
    ReleaseModifier(out, modifier.virtualKey);
    out.*modifier.latch = false;
    return after;
}

const KeyNameEntry* FindKeyName(std::string_view name) {
    if (name.size() > kLongestKeyName) {
        return nullptr;
    }
    std::array<char, kLongestKeyName> key{};
    std::ranges::transform(name, key.begin(),
                           [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; });
    return LookupKeyName(std::string_view(key.data(), name.size()));
}

} // namespace

bool IsShiftedChar(char character) {
    return kShiftedSet[static_cast<unsigned char>(character)];
}

bool IsLiteralSymbol(char character) {
    return kLiteralSet[static_cast<unsigned char>(character)];
}

std::size_t PlayBraceGroup(KeyOutput& out, std::string_view step, std::size_t pos) {
    const std::size_t length = step.size();
    // A "{" that ends the step plays nothing.
    if (pos + 1 >= length) {
        return length;
    }
    // The name ends before the first "}"; the step's last character never
    // belongs to it.
    std::size_t stop = pos + 1;
    while (stop < length - 1 && step[stop] != '}') {
        ++stop;
    }
    if (step[stop] == '}' && stop + 1 < length && step[stop + 1] == '}') {
        TypeShiftedChar(out, '}');
        return stop + 2;
    }
    PlayKeyName(out, step.substr(pos + 1, stop - (pos + 1)));
    return stop + 1;
}

void PlayStep(KeyOutput& out, std::string_view step) {
    step = Cut(step);
    out.shiftLatch = false;
    out.ctrlLatch = false;
    out.altLatch = false;

    std::size_t pos = 0;
    while (pos < step.size()) {
        const char ch = step[pos];
        if (IsShiftedChar(ch)) {
            TypeShiftedChar(out, ch);
            ++pos;
        } else if (ch == '+' || ch == '^' || ch == '%') {
            pos = PlayModifier(out, step, pos);
        } else if (ch == '{') {
            pos = PlayBraceGroup(out, step, pos);
        } else if (ch == '~') {
            PlayKeyName(out, "ENTER");
            ++pos;
        } else {
            TypeChar(out, ch);
            ++pos;
        }
    }

    // Only a modifier that a group left latched is still down here.
    if (out.shiftLatch) {
        ReleaseModifier(out, kVkShift);
    }
    if (out.ctrlLatch) {
        ReleaseModifier(out, kVkControl);
    }
    if (out.altLatch) {
        ReleaseModifier(out, kVkMenu);
    }
}

void PlayKeyName(KeyOutput& out, std::string_view text) {
    text = Cut(text);

    std::string_view name = text;
    std::int32_t count = 1;
    if (const std::size_t space = text.rfind(' '); space != std::string_view::npos) {
        name = text.substr(0, space);
        count = TextToIntDef(text.substr(space + 1), 1);
    }

    if (const KeyNameEntry* entry = FindKeyName(name)) {
        switch (entry->kind) {
        case KeyNameKind::Tap:
            for (std::int32_t i = 0; i < count; ++i) {
                TapVirtualKey(out, entry->code);
            }
            break;
        case KeyNameKind::NewLine:
            for (std::int32_t i = 0; i < count; ++i) {
                TapVirtualKey(out, 13);
                TapVirtualKey(out, 10);
            }
            break;
        case KeyNameKind::Sleep:
            if (count > 0) {
                ++out.actions;
                const std::uint64_t wait = std::uint64_t(count) * 1000u;
                out.desktop.Sleep(static_cast<std::uint32_t>(
                    std::min<std::uint64_t>(wait, kMaxSleepMilliseconds)));
            }
            break;
        }
        return;
    }

    if (name.size() == 1 && IsLiteralSymbol(name[0])) {
        for (std::int32_t i = 0; i < count; ++i) {
            TypeShiftedChar(out, name[0]);
        }
        return;
    }

    // Any other text is played as a step, in its own case. Every repetition
    // starts alike (PlayStep clears the latches) and a play that sends no
    // event asks the desktop nothing, so once a repetition has sent nothing
    // and waited for nothing, so would all the others: they are left out.
    // Otherwise {{  2147483647} would spin for minutes without a keystroke,
    // and a repetition of it nested in another would never end.
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint64_t before = out.actions;
        PlayStep(out, name);
        if (out.actions == before) {
            break;
        }
    }
}

} // namespace orvanel
