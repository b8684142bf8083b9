// Keystroke output: the events, flags, scan codes and SHIFT handling of each
// key operation.
#include "keytest.h"

namespace orvanel {
namespace {

using namespace keytest;

class KeyOutputTest : public KeysTest {};

TEST_F(KeyOutputTest, TapKeySendsDownThenUpWithTheGivenCodes) {
    TapKey(out, 200, 99);
    EXPECT_EQ(Take(), "down 200 99\nup 200 99\n");
}

TEST_F(KeyOutputTest, TapVirtualKeyLooksUpTheScanCodeWithoutTheExtendedFlag) {
    TapVirtualKey(out, 38); // up arrow: an extended key, still sent with flags 0 and 2
    TapVirtualKey(out, 9);
    TapVirtualKey(out, 13);
    EXPECT_EQ(Take(), "down 38 72\nup 38 72\ndown 9 15\nup 9 15\ndown 13 28\nup 13 28\n");
}

TEST_F(KeyOutputTest, CapitalAndSmallLetterSendTheSameKeyWithoutShift) {
    TypeChar(out, 'A');
    const std::string capital = Take();
    TypeChar(out, 'a');
    EXPECT_EQ(capital, Take());
    EXPECT_EQ(capital, "down 65 30\nup 65 30\n");
}

TEST_F(KeyOutputTest, TypeShiftedCharWithTheLatchClearHoldsShift) {
    TypeShiftedChar(out, 'a');
    EXPECT_EQ(Take(), "down 16 42\ndown 65 30\nup 65 30\nup 16 42\n");
    EXPECT_FALSE(out.shiftLatch);
}

TEST_F(KeyOutputTest, TypeShiftedCharWithTheLatchSetSendsOnlyTheKey) {
    out.shiftLatch = true;
    TypeShiftedChar(out, '~');
    EXPECT_EQ(Take(), "down 192 41\nup 192 41\n");
    EXPECT_TRUE(out.shiftLatch);
}

TEST_F(KeyOutputTest, OtherLatchesDoNotAffectShiftedChars) {
    out.ctrlLatch = true;
    out.altLatch = true;
    TypeShiftedChar(out, '~');
    EXPECT_EQ(Take(), Shift(K("~")));
}

TEST_F(KeyOutputTest, ModifiersSendOneEventEach) {
    const Case cases[] = {
        {"16", "down 16 42\n"},
        {"17", "down 17 29\n"},
        {"18", "down 18 56\n"},
    };
    for (const Case& c : cases) {
        const auto vk = static_cast<std::uint8_t>(std::stoi(c.input));
        PressModifier(out, vk);
        EXPECT_EQ(Take(), c.expected) << c.input;
        ReleaseModifier(out, vk);
        EXPECT_EQ(Take(), "up" + c.expected.substr(4)) << c.input;
    }
}

TEST_F(KeyOutputTest, CharacterWithoutKeyIsSentAsCode255) {
    // The euro sign (0x80 in code page 1252) has no key on the US layout and
    // no code page 437 form ("?" instead, whose scan code is that of "/").
    TypeChar(out, '\x80');
    EXPECT_EQ(Take(), "down 255 53\nup 255 53\n");
}

TEST_F(KeyOutputTest, ScanCodeComesFromTheOemFormOfTheCharacter) {
    // "é" (0xE9) has no key but an OEM form (0x82) that no key gives either.
    TypeChar(out, '\xE9');
    EXPECT_EQ(Take(), "down 255 255\nup 255 255\n");
}

TEST_F(KeyOutputTest, CapsLockIsTappedLikeAnyKey) {
    TapVirtualKey(out, 20);
    EXPECT_EQ(Take(), "down 20 58\nup 20 58\n");
}

TEST_F(KeyOutputTest, EveryTapAsksTheLayoutAfresh) {
    desktop.RecordQueries(true);
    TypeChar(out, 'a');
    TapVirtualKey(out, 9);
    TapVirtualKey(out, 9);
    PressModifier(out, 16);
    desktop.RecordQueries(false);
    std::string kinds;
    for (const std::string& line : desktop.Lines()) {
        kinds += line.substr(0, line.find(' ')) + " ";
    }
    EXPECT_EQ(kinds, "vkscan chartooem oemkeyscan down up mapvk down up mapvk down up mapvk down ")
        << desktop.Record();
}

} // namespace
} // namespace orvanel
