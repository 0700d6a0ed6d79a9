#include "Masks.h"

#include "CodePage.h"
#include <string>

#include <gtest/gtest.h>

namespace {

std::string InvalidMaskMessage(const std::string& mask) {
    try {
        TMask compiled(mask);
    } catch (const EMaskException& e) {
        return e.what();
    }
    return "valid";
}

} // namespace

TEST(Masks, StarMatchesAnyRunAndTheWholeNameMustMatch) {
    EXPECT_TRUE(FileNameMatches("SONG.MP3", "*.mp3"));
    EXPECT_TRUE(FileNameMatches("a.mp3", "*.mp3"));
    EXPECT_TRUE(FileNameMatches(".mp3", "*.mp3"));
    EXPECT_FALSE(FileNameMatches("a.mp3.bak", "*.mp3"));
    EXPECT_FALSE(FileNameMatches("a.mp", "*.mp3"));
    EXPECT_TRUE(FileNameMatches("a.mp3.mp3", "*.mp3"));
    EXPECT_TRUE(FileNameMatches("anything", "*"));
    EXPECT_TRUE(FileNameMatches("", "*"));
    EXPECT_TRUE(FileNameMatches("abcabd", "*ab?"));
    EXPECT_TRUE(FileNameMatches("xaxbxc", "*a*b*c"));
    EXPECT_FALSE(FileNameMatches("xaxbx", "*a*b*c"));
}

TEST(Masks, StarQuestionMarkMatchesLikeStar) {
    EXPECT_TRUE(FileNameMatches(".mp3", "*?.mp3"));
    EXPECT_TRUE(FileNameMatches("x.mp3", "*?.mp3"));
    EXPECT_EQ(TMask("*?.mp3").States().size(), TMask("*.mp3").States().size());
}

TEST(Masks, QuestionMarkIsExactlyOneCharacter) {
    EXPECT_TRUE(FileNameMatches("track01.mp3", "track??.mp3"));
    EXPECT_FALSE(FileNameMatches("track1.mp3", "track??.mp3"));
    EXPECT_FALSE(FileNameMatches("track001.mp3", "track??.mp3"));
    EXPECT_FALSE(FileNameMatches("", "?"));
}

TEST(Masks, SetsFoldBoundsAndNameAndMayBeNegated) {
    EXPECT_TRUE(FileNameMatches("Beat.mp3", "[a-c]*"));
    EXPECT_FALSE(FileNameMatches("Beat.mp3", "[!a-c]*"));
    EXPECT_TRUE(FileNameMatches("delta", "[!a-c]*"));
    EXPECT_TRUE(FileNameMatches("x", "[xyz]"));
    EXPECT_TRUE(FileNameMatches("Y", "[xyz]"));
    EXPECT_FALSE(FileNameMatches("w", "[xyz]"));
    // The first bound stays the start of a following range.
    EXPECT_TRUE(FileNameMatches("e", "[a-c-e]"));
    // A reversed range adds nothing, but the set is not empty with other members.
    EXPECT_TRUE(FileNameMatches("q", "[c-aq]"));
    EXPECT_FALSE(FileNameMatches("b", "[c-aq]"));
    // A set never matches the end of the name.
    EXPECT_FALSE(FileNameMatches("a", "a[!b]"));
    EXPECT_TRUE(FileNameMatches("song7.mp3", "*[0-9].mp3"));
}

TEST(Masks, OnlyAsciiLettersAreFolded) {
    // Windows-1251: 0xC0 is capital A, 0xE0 small a.
    EXPECT_TRUE(FileNameMatches("\xC0.mp3", "\xC0.mp3"));
    EXPECT_FALSE(FileNameMatches("\xE0.mp3", "\xC0.mp3"));
    EXPECT_FALSE(FileNameMatches("\xC0", "[\xE0]"));
    EXPECT_TRUE(FileNameMatches("\xE9t\xE9.MP3", "\xE9t\xE9.mp3"));
}

TEST(Masks, EmptyMaskMatchesOnlyTheEmptyName) {
    EXPECT_TRUE(FileNameMatches("", ""));
    EXPECT_FALSE(FileNameMatches("a", ""));
}

TEST(Masks, InvalidMasksNameThePosition) {
    EXPECT_EQ(InvalidMaskMessage("[]"), "'[]' is an invalid mask at (2)");
    EXPECT_EQ(InvalidMaskMessage("[ab"), "'[ab' is an invalid mask at (4)");
    EXPECT_EQ(InvalidMaskMessage("x[-a]"), "'x[-a]' is an invalid mask at (3)");
    EXPECT_EQ(InvalidMaskMessage("[!-a]"), "'[!-a]' is an invalid mask at (3)");
    EXPECT_EQ(InvalidMaskMessage("[a-"), "'[a-' is an invalid mask at (4)");
    EXPECT_EQ(InvalidMaskMessage("[!]"), "'[!]' is an invalid mask at (3)");
    EXPECT_THROW(FileNameMatches("a", "[ab"), EMaskException);
}

TEST(Masks, ThirtyStarredElementsAreTheLimit) {
    std::string thirty;
    for (int i = 0; i < 29; ++i)
        thirty += "*a";
    thirty += "*"; // the end-of-name state is the 30th
    EXPECT_NO_THROW(TMask{thirty});
    const std::string thirtyOne = thirty + "b*";
    EXPECT_EQ(InvalidMaskMessage(thirtyOne), "'" + thirtyOne + "' is an invalid mask at (" +
                                                 std::to_string(thirtyOne.size() + 1) + ")");
    EXPECT_NO_THROW(TMask{thirty + "b"});
    EXPECT_EQ(InvalidMaskMessage(thirty + "b*c"), "'" + thirty + "b*c' is an invalid mask at (" +
                                                      std::to_string(thirty.size() + 3) + ")");
}

TEST(Masks, ManyStarsOnALongNonMatchingNameEndQuickly) {
    std::string mask;
    for (int i = 0; i < 28; ++i)
        mask += "*a";
    mask += "*b";
    const std::string name(250, 'a');
    EXPECT_FALSE(FileNameMatches(name, mask));
    EXPECT_TRUE(FileNameMatches(name + "b", mask));
}

TEST(Masks, DoubleByteCharactersMatchAsUnits) {
    // CTest runs these cases on their own with AUDREL_CODEPAGE=932.
    ASSERT_EQ(CodePage::System().Number(), 932u) << "run with AUDREL_CODEPAGE=932";
    // Shift-JIS: 0x83 0x5C is one character whose trail byte is the ASCII code of '\'.
    const std::string ka = "\x83\x4A";
    const std::string so = "\x83\x5C";
    EXPECT_TRUE(FileNameMatches(so + ".mp3", so + ".mp3"));
    EXPECT_FALSE(FileNameMatches(ka + ".mp3", so + ".mp3"));
    EXPECT_TRUE(FileNameMatches("x" + ka + so + ".mp3", "*" + so + ".mp3"));
    // A star before a double-byte element steps over whole characters: "\x83\x83" is one
    // character, so the "\x83\x5C" straddling it and the next byte is no match.
    EXPECT_FALSE(FileNameMatches("\x83\x83\x5C", "*" + so));
    EXPECT_TRUE(FileNameMatches("\x83\x83" + so, "*" + so));
    EXPECT_EQ(TMask(so).States().front().Kind, TMask::mkDoubleByte);
    // Double-byte characters cannot be set members; the set then holds only 'a'.
    EXPECT_TRUE(FileNameMatches("a", "[" + so + "a]"));
    EXPECT_THROW(TMask("[" + so + "]"), EMaskException);
}

TEST(Masks, StarThenPlainCharactersAnswerLikeTheGeneralWalk) {
    // The same masks written with one-letter sets take the backtracking walk.
    const std::pair<const char*, const char*> masks[] = {
        {"*.mp3", "*[.][m][p][3]"}, {"*b", "*[b]"}, {"*.Mp3", "*[.]mp[3]"}};
    const std::string names[] = {"a.mp3",     "A.MP3",       ".mp3",      "mp3",  "",
                                 "a.mp3.bak", "01. x.mp3",   "a.mp3.mp3", "b",    "ab.b",
                                 "x\xE9.mp3", "\xFF\x2Emp3", "a.mp",      "bbbb", "a.mP3 "};
    for (const auto& [fast, general] : masks)
        for (const auto& name : names)
            EXPECT_EQ(TMask(fast).IsMatch(name), TMask(general).IsMatch(name))
                << fast << " " << name;
}
