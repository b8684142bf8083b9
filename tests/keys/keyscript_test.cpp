// The key script language: each step against the whole record it produces.
#include <string>
#include <string_view>
#include <vector>

#include "keys/keyscript.h"
#include "keytest.h"

namespace orvanel {
namespace {

using namespace keytest;

class KeyScriptTest : public KeysTest {
protected:
    void Check(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            PlayStep(out, c.input);
            EXPECT_EQ(Take(), c.expected) << "step: " << c.input;
            EXPECT_FALSE(out.shiftLatch || out.ctrlLatch || out.altLatch) << "step: " << c.input;
            EXPECT_TRUE(desktop.HeldKeys().empty()) << "step: " << c.input;
        }
    }
};

TEST_F(KeyScriptTest, PlainAndShiftedCharacters) {
    Check({
        {"", ""},
        {"abc", K("abc")},
        {"Abc", SK("A") + K("bc")},
        {"XYZ", SK("XYZ")},
        {"!#$&\"()*:<>?@_|", SK("!#$&\"()*:<>?@_|")},
        {" -,./=[\\]`'0123456789", K(" -,./=[\\]`'0123456789")},
        // A "}" outside braces is a plain character.
        {"}", K("}")},
        {"a}b", K("a}b")},
    });
}

TEST_F(KeyScriptTest, ApostropheIsPlainAndDoubleQuoteIsShifted) {
    Check({
        {"'", K("'")},
        {"\"", SK("\"")},
        {"it's \"fine\"", K("it's ") + SK("\"") + K("fine") + SK("\"")},
        {"{\"}", SK("\"")},
        {"{\" 3}", Times(3, SK("\""))},
        {"{'}", K("'")},
        {"{' 2}", K("''")},
        {"+'", SK("'")},
        {"^\"", Ctrl(K("\""))},
        {"+{\"}", Shift(K("\""))},
    });
}

TEST_F(KeyScriptTest, ModifierPrefixesApplyToOneCharacter) {
    Check({
        {"+a", Shift(K("a"))},
        {"+A", SK("A")},
        {"^c", Ctrl(K("c"))},
        {"^C", Ctrl(K("C"))},
        {"%f", Alt(K("f"))},
        {"^+a", Ctrl(K("+")) + K("a")},
        {"++a", SK("+") + K("a")},
        {"^^", Ctrl(K("^"))},
        {"^%", Ctrl(K("%"))},
        {"%~", Alt(K("~"))},
        {"+~", SK("~")},
        {"^}", Ctrl(K("}"))},
        {"^)", Ctrl(K(")"))},
        {"a^b%c+d", K("a") + Ctrl(K("b")) + Alt(K("c")) + Shift(K("d"))},
    });
}

TEST_F(KeyScriptTest, PrefixAtTheEndOfTheStepSendsNothing) {
    Check({
        {"+", ""},
        {"^", ""},
        {"%", ""},
        {"a^", K("a")},
        {"a+", K("a")},
        {"ab%", K("ab")},
        {"^a^", Ctrl(K("a"))},
    });
}

TEST_F(KeyScriptTest, ParenthesisGroups) {
    Check({
        {"^(+a)", Ctrl(Shift(K("a")))},
        {"+(abc)", Shift(K("abc"))},
        {"^(abc)", Ctrl(K("abc"))},
        {"%(abc)", Alt(K("abc"))},
        // The group's own play clears the latch, so "B" brings its own SHIFT.
        {"+(aBc)", Shift(K("a") + SK("B") + K("c"))},
        {"+(a(b)c)", Shift(K("a") + SK("(") + K("b") + SK(")") + K("c"))},
        {"+((a)b)", Shift(SK("(") + K("a") + SK(")") + K("b"))},
        {"+(ab)c", Shift(K("ab")) + K("c")},
        {"+(abc", Shift(K("abc"))},
        {"^(a(b", Ctrl(K("a") + SK("(") + K("b"))},
        {"+(", Shift("")},
        {"^()", Ctrl("")},
        {"%(", Alt("")},
        {"+(a+(b)c)", Shift(K("a") + Shift(K("b")) + K("c"))},
        {"^(%(x))", Ctrl(Alt(K("x")))},
        {"+({TAB}~)", Shift(V(9) + V(13))},
        {"+(a)b)", Shift(K("a")) + K("b") + SK(")")},
    });
}

TEST_F(KeyScriptTest, BraceGroupsAfterAPrefix) {
    Check({
        {"+{TAB}", Shift(V(9))},
        {"+{ab}", Shift(K("ab"))},
        // The SHIFT latch is set while +{ } plays a literal symbol...
        {"+{~}", Shift(K("~"))},
        {"+{~ 2}", Shift(K("~~"))},
        // ...but not while ^{ } does.
        {"^{~}", Ctrl(SK("~"))},
        {"%{~}", Alt(SK("~"))},
        {"%{TAB 2}", Alt(V(9) + V(9))},
        {"^{a{b}c}", Ctrl(K("abc"))},
        {"+{", Shift("")},
        {"+{}", Shift("")},
        {"+{TAB", Shift(V(9))},
        {"^{ab}c", Ctrl(K("ab")) + K("c")},
        {"+{Hi 2}", Shift(SK("H") + K("i") + SK("H") + K("i"))},
    });
}

TEST_F(KeyScriptTest, KeyNamesWithRepeatCounts) {
    Check({
        {"{TAB}", V(9)},
        {"{TAB 3}", Times(3, V(9))},
        {"{tab}", V(9)},
        {"{Tab}", V(9)},
        {"{tAb 2}", Times(2, V(9))},
        {"{TAB 0}", ""},
        {"{TAB -2}", ""},
        {"{TAB x}", V(9)},
        {"{TAB 2x}", V(9)},
        {"{TAB $10}", Times(16, V(9))},
        {"{TAB $a}", Times(10, V(9))},
        {"{TAB +2}", Times(2, V(9))},
        {"{TAB -$2}", V(9)},
        {"{TAB $FFFFFFFF}", ""},
        {"{TAB 99999999999}", V(9)},
        {"{TAB 2147483648}", V(9)},
        {"{TAB }", V(9)},
        // The name keeps its trailing blank and so is typed as text.
        {"{TAB  2}", Times(2, SK("TAB") + K(" "))},
        {"{TAB 2 3}", Times(3, SK("TAB") + K(" 2"))},
        {"{ENTER 3 }", SK("ENTER") + K(" 3")},
        {"{ TAB}", ""},
        {"{ TAB 2}", Times(2, K(" ") + SK("TAB"))},
        {"{UP}{DOWN}{LEFT}{RIGHT}", V(38) + V(40) + V(37) + V(39)},
        {"a{BS}b", K("a") + V(8) + K("b")},
    });
}

TEST_F(KeyScriptTest, TextInBracesIsTypedAndRepeated) {
    Check({
        {"{Hi 2}", Times(2, SK("H") + K("i"))},
        {"{abc}", K("abc")},
        {"{abc 3}", Times(3, K("abc"))},
        {"{x}", K("x")},
        {"{F25}", SK("F") + K("25")},
        {"{NUMPAD10}", SK("NUMPAD") + K("10")},
        {"{numpadmultiplyx}", K("numpadmultiplyx")},
        {"{a~b}", K("a") + V(13) + K("b")},
        {"{^a 2}", Times(2, Ctrl(K("a")))},
    });
}

TEST_F(KeyScriptTest, LiteralSymbolsInBraces) {
    Check({
        {"{+ 3}", Times(3, SK("+"))},
        {"{~}{!}{@}{#}{$}{%}{^}{&}{*}{(}{)}{_}{+}{|}{{}{}}{\"}{:}{?}{>}{<}",
         SK("~!@#$%^&*()_+|{}\":?><")},
        {"{% 0}", ""},
        {"{# -1}", ""},
        // Not literal symbols: typed by playing them as a step.
        {"{[}", K("[")},
        {"{}}}", SK("}") + K("}")},
    });
}

TEST_F(KeyScriptTest, UnclosedAndEmptyBraces) {
    Check({
        {"{{}", SK("{")},
        {"{}}", SK("}")},
        {"{TAB}}", SK("}")},
        {"{{}}", SK("}")},
        // The step's last character is consumed without being typed.
        {"{TAB", SK("TA")},
        {"a{b", K("a")},
        {"{", ""},
        {"a{", K("a")},
        {"{}", ""},
        {"{}x", K("x")},
        {"{ }", ""},
    });
    // A group never consumes past the end of its step.
    const struct {
        std::string_view step;
        std::size_t open;
        std::size_t next;
    } ends[] = {{"{", 0, 1}, {"a{", 1, 2}, {"{TAB", 0, 4}, {"{}", 0, 2}, {"{}}", 0, 3}};
    for (const auto& e : ends) {
        EXPECT_EQ(PlayBraceGroup(out, e.step, e.open), e.next) << e.step;
    }
}

TEST_F(KeyScriptTest, TildeAndNewline) {
    Check({
        {"~", V(13)},
        {"a~b", K("a") + V(13) + K("b")},
        {"~~", V(13) + V(13)},
        {"{NEWLINE}", V(13) + V(10)},
        {"{NEWLINE 2}", V(13) + V(10) + V(13) + V(10)},
        {"{nl 2}", V(13) + V(10) + V(13) + V(10)},
        {"{NEWLINE 0}", ""},
        {"{~ 2}", SK("~~")},
    });
}

TEST_F(KeyScriptTest, SleepWaits) {
    Check({
        {"{SLEEP 2}", Sleep(2000)},
        {"{SLEEP}", Sleep(1000)},
        {"{sleep 1}", Sleep(1000)},
        {"{SLEEP 0}", ""},
        {"{SLEEP -1}", ""},
        {"{SLEEP x}", Sleep(1000)},
        {"a{SLEEP 1}b", K("a") + Sleep(1000) + K("b")},
        // The largest wait that is not capped, and the first ones that are:
        // the cap is the longest finite 32-bit wait.
        {"{SLEEP 4294967}", Sleep(4294967000u)},
        {"{SLEEP 4294968}", Sleep(0xFFFFFFFEu)},
        {"{SLEEP 2147483647}", Sleep(0xFFFFFFFEu)},
        {"{SLEEP $7FFFFFFF}", Sleep(0xFFFFFFFEu)},
        {"{SLEEP $80000000}", ""},
    });
}

TEST_F(KeyScriptTest, CharacterWithoutKeyIsSentAsCode255) {
    Check({
        {"\x80", "down 255 53\nup 255 53\n"},
        {"a\xE9", K("a") + "down 255 255\nup 255 255\n"},
    });
}

TEST_F(KeyScriptTest, PlayStepClearsTheLatchesWhenEntered) {
    out.shiftLatch = true;
    out.ctrlLatch = true;
    out.altLatch = true;
    PlayStep(out, "A");
    EXPECT_EQ(Take(), SK("A"));
    EXPECT_FALSE(out.shiftLatch || out.ctrlLatch || out.altLatch);
}

TEST_F(KeyScriptTest, PlayKeyNameTypesLiteralSymbolsUnderTheShiftLatch) {
    out.shiftLatch = true;
    PlayKeyName(out, "~ 2");
    EXPECT_EQ(Take(), K("~~"));
    out.shiftLatch = false;
    PlayKeyName(out, "ENTER");
    EXPECT_EQ(Take(), V(13));
}

TEST_F(KeyScriptTest, LongStepsAreCutAt255Characters) {
    const std::string a300(300, 'a');
    const std::string group = "+(" + a300;
    const std::string braces = "{" + std::string(299, 'b') + "}";
    Check({
        {a300, K(std::string(255, 'a'))},
        {group, Shift(K(std::string(253, 'a')))},
        // The closing brace lies past the cut: the last kept character is
        // consumed as the end of an unclosed group.
        {braces, K(std::string(253, 'b'))},
    });
    PlayKeyName(out, std::string(253, 'c') + " 2");
    EXPECT_EQ(Take(), Times(2, K(std::string(253, 'c'))));
    // Cut at 255 characters, the count text is empty.
    PlayKeyName(out, std::string(254, 'c') + " 2");
    EXPECT_EQ(Take(), K(std::string(254, 'c')));
}

TEST_F(KeyScriptTest, DeepNestingOfFullLengthSteps) {
    std::string nested;
    std::string braceNested;
    while (nested.size() + 2 < 255) {
        nested += "+(";
        braceNested += "^{";
    }
    nested += "a";
    braceNested += "a";
    std::string expected = K("a");
    std::string braceExpected = K("a");
    for (std::size_t i = 0; i < nested.size() / 2; ++i) {
        expected = Shift(expected);
        braceExpected = Ctrl(braceExpected);
    }
    Check({
        {nested, expected},
        {braceNested, braceExpected},
        // Each level plays the text between the first "{" and the last
        // character, down to "{{{", which types a "{".
        {std::string(255, '{'), SK("{")},
        {std::string(255, '('), Times(255, SK("("))},
        {std::string(255, ')'), Times(255, SK(")"))},
        {std::string(255, '~'), Times(255, V(13))},
        {std::string(255, '+'), Times(127, SK("+"))},
        {std::string(255, '}'), Times(255, K("}"))},
    });
}

} // namespace
} // namespace orvanel
