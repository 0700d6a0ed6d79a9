#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The ANSI code page of the user: tag texts, typed texts and masks are bytes in it.
// Chosen from the locale the way Windows chooses its ANSI code page; the environment
// variable AUDREL_CODEPAGE (for example "1251") overrides that choice.
class CodePage {
public:
    // A code page by its Windows number (1250..1258, 874, 932, 936, 949, 950).
    // An unknown number falls back to 1252.
    explicit CodePage(unsigned number);

    // The code page of this process: AUDREL_CODEPAGE, else the one of the locale
    // (LC_ALL, LC_CTYPE, LANG). Built once, read-only afterwards, safe from any thread.
    static const CodePage& System();

    // The ANSI code page Windows would use for a POSIX locale name such as "ru_RU.UTF-8".
    static unsigned NumberForLocale(std::string_view localeName);

    unsigned Number() const { return m_number; }
    bool IsDoubleByte() const { return m_doubleByte; }
    // True when the byte starts a two-byte character (double-byte code pages only).
    bool IsLeadByte(unsigned char byte) const { return m_lead[byte]; }

    // Conversions with Unicode. What the target cannot hold becomes '?'.
    std::string ToUtf8(std::string_view bytes) const;
    std::string FromUtf8(std::string_view utf8) const;
    std::string FromUtf16(std::u16string_view text) const;

    // Unicode forms among themselves. UTF-16 to UTF-8: an unpaired surrogate becomes '?'.
    // UTF-8 to code points: a malformed sequence becomes U+FFFD, one byte at a time.
    static std::string Utf16ToUtf8(std::u16string_view text);
    static std::u32string Utf8ToCodePoints(std::string_view utf8);
    static void AppendUtf8(std::string& out, char32_t ch);
    // One code point as one UTF-16 unit, or as a surrogate pair above U+FFFF.
    static void AppendUtf16(std::u16string& out, char32_t ch);

    // Case forms by the code page's own letters, byte for byte: the result has the
    // length of the input (double-byte characters are passed through unchanged).
    std::string Upper(std::string_view bytes) const;
    std::string Lower(std::string_view bytes) const;
    unsigned char UpperByte(unsigned char byte) const { return m_upper[byte]; }
    unsigned char LowerByte(unsigned char byte) const { return m_lower[byte]; }

    // The Unicode character of a single byte (bytes the code page leaves undefined stand for
    // the code point of the same value, so that they survive a round trip; 0 for lead bytes).
    char32_t CharOfByte(unsigned char byte) const { return m_toUnicode[byte]; }

private:
    // iconv's name of the code page, "CP1252" and so on.
    std::string IconvName() const;
    void AppendEncoded(std::string& out, char32_t ch) const;
    void BuildCaseTables(const std::vector<bool>& defined);
    std::string MapCase(std::string_view bytes, const std::array<unsigned char, 256>& table) const;

    unsigned m_number;
    bool m_doubleByte = false;
    std::array<bool, 256> m_lead{};
    std::array<unsigned char, 256> m_upper{};
    std::array<unsigned char, 256> m_lower{};
    std::array<char32_t, 256> m_toUnicode{};
    // Unicode -> single byte, sorted by code point.
    std::vector<std::pair<char32_t, unsigned char>> m_fromUnicode;
};
