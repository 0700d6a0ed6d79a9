#include "CodePage.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

TEST(CodePage, ChosenFromTheLocaleLikeTheAnsiCodePage) {
    struct Case {
        const char* locale;
        unsigned number;
    };
    for (const Case& c : {Case{"ru_RU.UTF-8", 1251},
                          Case{"uk_UA.UTF-8", 1251},
                          Case{"bg_BG", 1251},
                          Case{"sr_RS.UTF-8", 1251},
                          Case{"sr_RS.UTF-8@latin", 1250},
                          Case{"pl_PL.UTF-8", 1250},
                          Case{"cs_CZ", 1250},
                          Case{"hu_HU.ISO-8859-2", 1250},
                          Case{"el_GR.UTF-8", 1253},
                          Case{"tr_TR.UTF-8", 1254},
                          Case{"he_IL.UTF-8", 1255},
                          Case{"ar_EG.UTF-8", 1256},
                          Case{"lt_LT.UTF-8", 1257},
                          Case{"et_EE", 1257},
                          Case{"vi_VN", 1258},
                          Case{"th_TH.UTF-8", 874},
                          Case{"ja_JP.UTF-8", 932},
                          Case{"zh_CN.UTF-8", 936},
                          Case{"zh_SG", 936},
                          Case{"zh_TW.UTF-8", 950},
                          Case{"zh_HK.UTF-8", 950},
                          Case{"ko_KR.EUC-KR", 949},
                          Case{"de_DE.UTF-8", 1252},
                          Case{"en_US.UTF-8", 1252},
                          Case{"C", 1252},
                          Case{"POSIX", 1252},
                          Case{"C.UTF-8", 1252},
                          Case{"", 1252}})
        EXPECT_EQ(CodePage::NumberForLocale(c.locale), c.number) << c.locale;
}

TEST(CodePage, UnknownNumberFallsBackTo1252) {
    EXPECT_EQ(CodePage(437).Number(), 1252u);
    EXPECT_EQ(CodePage(0).Number(), 1252u);
    EXPECT_EQ(CodePage(1251).Number(), 1251u);
}

TEST(CodePage, SystemTakesTheEnvironmentOverride) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A fresh process each, since the system code page is built once.
    EXPECT_EXIT(
        {
            ::setenv("AUDREL_CODEPAGE", "1251", 1);
            ::setenv("LC_ALL", "ja_JP.UTF-8", 1);
            std::exit(CodePage::System().Number() == 1251 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            ::unsetenv("AUDREL_CODEPAGE");
            ::unsetenv("LC_ALL");
            ::setenv("LC_CTYPE", "el_GR.UTF-8", 1);
            ::setenv("LANG", "ru_RU.UTF-8", 1);
            std::exit(CodePage::System().Number() == 1253 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(CodePage, Cp1251RoundTripsAndFoldsCyrillic) {
    const CodePage cp(1251);
    EXPECT_FALSE(cp.IsDoubleByte());
    const std::string privet = "\xEF\xF0\xE8\xE2\xE5\xF2 \xB8"; // "привет ё"
    EXPECT_EQ(cp.ToUtf8(privet), "привет ё");
    EXPECT_EQ(cp.FromUtf8("привет ё"), privet);
    EXPECT_EQ(cp.Upper(privet), "\xCF\xD0\xC8\xC2\xC5\xD2 \xA8"); // "ПРИВЕТ Ё"
    EXPECT_EQ(cp.Lower("\xCF\xD0\xC8\xC2\xC5\xD2 \xA8"), privet);
    EXPECT_EQ(cp.UpperByte(0xBF), 0xAF); // ї -> Ї
    EXPECT_EQ(cp.FromUtf8("中"), "?");
}

TEST(CodePage, Cp1250FoldsItsOwnLetters) {
    const CodePage cp(1250);
    EXPECT_EQ(cp.ToUtf8("\xB3\x9C\x9E"), "łśž");
    EXPECT_EQ(cp.Upper("\xB3\x9C\x9E\xE8"), "\xA3\x8C\x8E\xC8"); // ŁŚŽČ
    EXPECT_EQ(cp.Lower("\xA3\x8C\x8E\xC8"), "\xB3\x9C\x9E\xE8");
    EXPECT_EQ(cp.FromUtf8("Łódź"), "\xA3\xF3\x64\x9F");
}

TEST(CodePage, Cp1252KeepsLengthAndUndefinedBytes) {
    const CodePage cp(1252);
    EXPECT_EQ(cp.Upper("\xE9\x9A\x9C\xFF"
                       "abc"),
              "\xC9\x8A\x8C\x9F"
              "ABC"); // éšœÿ
    EXPECT_EQ(cp.Lower("\xC9\x8A\x8C\x9F"
                       "ABC"),
              "\xE9\x9A\x9C\xFF"
              "abc");
    // ß and µ have no upper case inside 1252: they stay as they are.
    EXPECT_EQ(cp.Upper("\xDF\xB5"), "\xDF\xB5");
    EXPECT_EQ(cp.FromUtf8("€"), "\x80");
    // Bytes 1252 leaves undefined survive a trip through Unicode.
    EXPECT_EQ(cp.FromUtf8(cp.ToUtf8("\x81\x8D\x8F\x90\x9D")), "\x81\x8D\x8F\x90\x9D");
    EXPECT_EQ(cp.FromUtf8("a\xFF\xC3(b"), "a?"
                                          "?(b"); // malformed UTF-8
    EXPECT_EQ(cp.FromUtf16(u"x\xD83D\xDE00y\xDC00"), "x?y?");
}

TEST(CodePage, EverySingleByteSurvivesATripThroughUnicode) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    for (unsigned n : {874u, 1250u, 1251u, 1252u, 1253u, 1254u, 1255u, 1256u, 1257u, 1258u}) {
        const CodePage cp(n);
        EXPECT_EQ(cp.FromUtf8(cp.ToUtf8(all)), all) << n;
        EXPECT_EQ(cp.Upper(all).size(), 256u);
        // Folding twice changes nothing more, and letters fold back.
        EXPECT_EQ(cp.Upper(cp.Upper(all)), cp.Upper(all)) << n;
        // (Not in 1254, where dotted capital I lowers to a plain i.)
        if (n != 1254) {
            EXPECT_EQ(cp.Upper(cp.Lower(cp.Upper(all))), cp.Upper(all)) << n;
        }
    }
    // Vietnamese letters without a byte of their own are written as letter and mark.
    EXPECT_EQ(CodePage(1258).FromUtf8("ệ"), "\xEA\xF2");
}

TEST(CodePage, GreekFinalSigmaFoldsWithinTheCodePage) {
    const CodePage cp(1253);
    EXPECT_EQ(cp.UpperByte(0xF2), 0xD3); // ς -> Σ
    EXPECT_EQ(cp.LowerByte(0xD3), 0xF3); // Σ -> σ
    EXPECT_EQ(cp.UpperByte(0xDC), 0xA2); // ά -> Ά
}

TEST(CodePage, Cp932LeadBytesAndConversions) {
    const CodePage cp(932);
    EXPECT_TRUE(cp.IsDoubleByte());
    for (unsigned b : {0x81u, 0x9Fu, 0xE0u, 0xFCu})
        EXPECT_TRUE(cp.IsLeadByte(static_cast<unsigned char>(b))) << b;
    for (unsigned b : {0x41u, 0x80u, 0xA0u, 0xB1u, 0xDFu, 0xFDu})
        EXPECT_FALSE(cp.IsLeadByte(static_cast<unsigned char>(b))) << b;
    EXPECT_EQ(cp.ToUtf8("\x82\xA0\x82\xA2"
                        "a\xB1"),
              "あいaｱ");
    EXPECT_EQ(cp.FromUtf8("あいaｱ"), "\x82\xA0\x82\xA2"
                                     "a\xB1");
    EXPECT_EQ(cp.FromUtf16(u"日本"), "\x93\xFA\x96\x7B");
    // The trail byte 0x61 ('a') of a double-byte character is not folded.
    EXPECT_EQ(cp.Upper("a\x82\x61"
                       "b"),
              "A\x82\x61"
              "B");
    EXPECT_EQ(cp.Lower("A\x93\x41"
                       "B"),
              "a\x93\x41"
              "b");
    EXPECT_EQ(cp.FromUtf8("й"), "\x84\x7A"); // Cyrillic exists in 932 as a double-byte character
    EXPECT_EQ(cp.FromUtf8("ā"), "?");
    EXPECT_EQ(cp.ToUtf8("\x82"), "?"); // a lead byte without its trail
}

TEST(CodePage, OtherDoubleBytePagesHaveTheirLeadRanges) {
    for (unsigned n : {936u, 949u, 950u}) {
        const CodePage cp(n);
        EXPECT_TRUE(cp.IsDoubleByte());
        EXPECT_TRUE(cp.IsLeadByte(0x81));
        EXPECT_TRUE(cp.IsLeadByte(0xFE));
        EXPECT_FALSE(cp.IsLeadByte(0x80));
        EXPECT_FALSE(cp.IsLeadByte(0xFF));
        EXPECT_FALSE(cp.IsLeadByte('A'));
    }
    EXPECT_EQ(CodePage(936).FromUtf8("中文"), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(CodePage(936).ToUtf8("\xD6\xD0\xCE\xC4"), "中文");
    EXPECT_EQ(CodePage(949).ToUtf8("\xC7\xD1"), "한");
    EXPECT_EQ(CodePage(950).ToUtf8("\xA4\xA4"), "中");
}

} // namespace
