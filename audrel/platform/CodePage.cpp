#include "CodePage.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

namespace {

constexpr unsigned kKnown[] = {874,  932,  936,  949,  950,  1250, 1251,
                               1252, 1253, 1254, 1255, 1256, 1257, 1258};
constexpr char32_t kInvalid = 0xFFFFFFFF;

bool IsKnown(unsigned number) {
    return std::find(std::begin(kKnown), std::end(kKnown), number) != std::end(kKnown);
}

class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(::iconv_open(to, from)) {}
    ~Iconv() {
        if (Ok())
            ::iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool Ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_cd; }

private:
    iconv_t m_cd;
};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at i and moves past it; kInvalid for a malformed one
// (then i moves by one byte).
char32_t NextUtf8(std::string_view s, size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    size_t len = 0;
    char32_t c = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        ++i;
        return b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2, c = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, c = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, c = b0 & 0x07, min = 0x10000;
    } else {
        ++i;
        return kInvalid;
    }
    if (i + len > s.size()) {
        ++i;
        return kInvalid;
    }
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kInvalid;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return kInvalid;
    }
    i += len;
    return c;
}

// Case mapping for when no UTF-8 locale is installed: Latin, Greek and Cyrillic letters,
// which cover the letters of every single-byte code page.
char32_t FallbackCase(char32_t c, bool upper) {
    auto pair = [&](char32_t up, char32_t low) -> char32_t {
        if (upper && c == low)
            return up;
        if (!upper && c == up)
            return low;
        return c;
    };
    // Dotted capital I and dotless small i pair with the plain letters.
    if (c == 0x130)
        return upper ? c : 'i';
    if (c == 0x131)
        return upper ? 'I' : c;
    if (c == 0x3C2)
        return upper ? 0x3A3 : c;
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
        (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
        return upper ? c : c + 0x20;
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
        (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) || (c >= 0x430 && c <= 0x44F))
        return upper ? c - 0x20 : c;
    if (c >= 0x400 && c <= 0x40F)
        return upper ? c : c + 0x50;
    if (c >= 0x450 && c <= 0x45F)
        return upper ? c - 0x50 : c;
    // Pairs of upper (even) and lower (odd) letters.
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177) || (c >= 0x460 && c <= 0x4BF) ||
        (c >= 0x4D0 && c <= 0x4FF))
        return pair(c & ~char32_t{1}, c | 1);
    // Pairs of upper (odd) and lower (even) letters.
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E) || (c >= 0x4C1 && c <= 0x4CE))
        return pair((c & 1) ? c : c - 1, (c & 1) ? c + 1 : c);
    switch (c) {
    case 0xFF:
    case 0x178:
        return pair(0x178, 0xFF);
    case 0x386:
    case 0x3AC:
        return pair(0x386, 0x3AC);
    case 0x388:
    case 0x3AD:
        return pair(0x388, 0x3AD);
    case 0x389:
    case 0x3AE:
        return pair(0x389, 0x3AE);
    case 0x38A:
    case 0x3AF:
        return pair(0x38A, 0x3AF);
    case 0x38C:
    case 0x3CC:
        return pair(0x38C, 0x3CC);
    case 0x38E:
    case 0x3CD:
        return pair(0x38E, 0x3CD);
    case 0x38F:
    case 0x3CE:
        return pair(0x38F, 0x3CE);
    case 0x192:
    case 0x191:
        return pair(0x191, 0x192);
    case 0x1A0:
    case 0x1A1:
        return pair(0x1A0, 0x1A1);
    case 0x1AF:
    case 0x1B0:
        return pair(0x1AF, 0x1B0);
    case 0xB5:
        return upper ? 0x39C : c;
    default:
        return c;
    }
}

locale_t Utf8Locale() {
    static const locale_t loc = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
            if (locale_t l = ::newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr)))
                return l;
        return static_cast<locale_t>(nullptr);
    }();
    return loc;
}

char32_t CaseOf(char32_t c, bool upper) {
    if (locale_t loc = Utf8Locale())
        return upper ? static_cast<char32_t>(::towupper_l(static_cast<wint_t>(c), loc))
                     : static_cast<char32_t>(::towlower_l(static_cast<wint_t>(c), loc));
    return FallbackCase(c, upper);
}

// Converts bytes with iconv; a sequence iconv rejects is handed to onError, which appends
// its own replacement and says how many input bytes it covers.
template <class OnError>
std::string Convert(const char* to, const char* from, std::string_view in, OnError onError) {
    std::string out;
    Iconv cd(to, from);
    if (!cd.Ok()) {
        // No converter: pass ASCII through and mark the rest.
        for (char ch : in)
            out += static_cast<unsigned char>(ch) < 0x80 ? ch : '?';
        return out;
    }
    std::string buf(in.size() * 4 + 16, '\0');
    // Emits what a stateful converter still holds back.
    auto flush = [&] {
        char* outPtr = buf.data();
        size_t outLeft = buf.size();
        ::iconv(cd.Get(), nullptr, nullptr, &outPtr, &outLeft);
        out.append(buf.data(), static_cast<size_t>(outPtr - buf.data()));
    };
    size_t pos = 0;
    while (pos < in.size()) {
        char* inPtr = const_cast<char*>(in.data() + pos);
        size_t inLeft = in.size() - pos;
        char* outPtr = buf.data();
        size_t outLeft = buf.size();
        const size_t r = ::iconv(cd.Get(), &inPtr, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        out.append(buf.data(), static_cast<size_t>(outPtr - buf.data()));
        pos = in.size() - inLeft;
        if (r != static_cast<size_t>(-1) || (err == E2BIG && pos < in.size()))
            continue;
        if (err == E2BIG)
            break;
        // EILSEQ or EINVAL: replace one sequence and go on.
        flush();
        pos += std::max<size_t>(1, onError(out, in.substr(pos)));
    }
    flush();
    return out;
}

} // namespace

CodePage::CodePage(unsigned number) : m_number(IsKnown(number) ? number : 1252) {
    m_doubleByte = m_number == 932 || m_number == 936 || m_number == 949 || m_number == 950;
    for (unsigned b = 0x81; b <= 0xFE; ++b)
        m_lead[b] = m_doubleByte && (m_number != 932 || b <= 0x9F || (b >= 0xE0 && b <= 0xFC));

    Iconv cd("UTF-32LE", IconvName().c_str());
    std::vector<bool> defined(256, false);
    for (unsigned b = 0; b < 256; ++b) {
        m_toUnicode[b] = b;
        if (m_lead[b]) {
            m_toUnicode[b] = 0;
            continue;
        }
        if (!cd.Ok())
            continue;
        char in = static_cast<char>(b);
        char* inPtr = &in;
        size_t inLeft = 1;
        char out[16];
        char* outPtr = out;
        size_t outLeft = sizeof out;
        ::iconv(cd.Get(), nullptr, nullptr, nullptr, nullptr);
        if (::iconv(cd.Get(), &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
            continue;
        ::iconv(cd.Get(), nullptr, nullptr, &outPtr, &outLeft);
        if (outPtr - out != 4)
            continue;
        const auto* u = reinterpret_cast<const unsigned char*>(out);
        m_toUnicode[b] = static_cast<char32_t>(u[0] | (u[1] << 8) | (u[2] << 16) |
                                               (static_cast<char32_t>(u[3]) << 24));
        defined[b] = true;
    }
    // Defined bytes first, so that an undefined byte never takes over a real character.
    for (int pass = 0; pass < 2; ++pass)
        for (unsigned b = 0; b < 256; ++b) {
            if (m_lead[b] || defined[b] != (pass == 0))
                continue;
            const char32_t c = m_toUnicode[b];
            if (std::none_of(m_fromUnicode.begin(), m_fromUnicode.end(),
                             [c](const auto& p) { return p.first == c; }))
                m_fromUnicode.emplace_back(c, static_cast<unsigned char>(b));
        }
    std::sort(m_fromUnicode.begin(), m_fromUnicode.end());
    BuildCaseTables(defined);
}

void CodePage::BuildCaseTables(const std::vector<bool>& defined) {
    for (unsigned b = 0; b < 256; ++b) {
        m_upper[b] = m_lower[b] = static_cast<unsigned char>(b);
        if (m_lead[b] || !defined[b])
            continue;
        const char32_t c = m_toUnicode[b];
        for (bool upper : {true, false}) {
            const char32_t folded = CaseOf(c, upper);
            if (folded == c)
                continue;
            auto it = std::lower_bound(m_fromUnicode.begin(), m_fromUnicode.end(),
                                       std::make_pair(folded, static_cast<unsigned char>(0)));
            // Only a fold to one byte of this same code page keeps the text's length.
            if (it != m_fromUnicode.end() && it->first == folded && defined[it->second])
                (upper ? m_upper : m_lower)[b] = it->second;
        }
    }
}

std::string CodePage::IconvName() const {
    return "CP" + std::to_string(m_number);
}

const CodePage& CodePage::System() {
    static const CodePage cp([] {
        if (const char* env = std::getenv("AUDREL_CODEPAGE"); env && *env) {
            const std::string_view s(env);
            unsigned n = 0;
            auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
            if (ec == std::errc() && end == s.data() + s.size())
                return n;
        }
        for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"})
            if (const char* v = std::getenv(var); v && *v)
                return NumberForLocale(v);
        return 1252u;
    }());
    return cp;
}

unsigned CodePage::NumberForLocale(std::string_view localeName) {
    std::string_view modifier;
    if (auto at = localeName.find('@'); at != std::string_view::npos) {
        modifier = localeName.substr(at + 1);
        localeName = localeName.substr(0, at);
    }
    if (auto dot = localeName.find('.'); dot != std::string_view::npos)
        localeName = localeName.substr(0, dot);
    std::string_view language = localeName, country;
    if (auto us = localeName.find('_'); us != std::string_view::npos) {
        language = localeName.substr(0, us);
        country = localeName.substr(us + 1);
    }
    auto in = [language](std::initializer_list<std::string_view> names) {
        return std::find(names.begin(), names.end(), language) != names.end();
    };
    const bool latinScript = modifier == "latin";
    const bool cyrillicScript = modifier == "cyrillic";
    if (language == "sr")
        return latinScript ? 1250 : 1251;
    if (language == "uz" || language == "az")
        return cyrillicScript ? 1251 : 1254;
    if (in({"ru", "uk", "be", "bg", "mk", "kk", "ky", "tt", "mn", "ba", "tg", "cv", "os", "sah"}))
        return 1251;
    if (in({"cs", "sk", "pl", "hu", "sl", "hr", "ro", "sq", "bs", "hsb", "dsb", "tk"}))
        return 1250;
    if (language == "el")
        return 1253;
    if (language == "tr")
        return 1254;
    if (in({"he", "iw", "yi"}))
        return 1255;
    if (in({"ar", "fa", "ur", "ps", "ug", "sd", "ckb"}))
        return 1256;
    if (in({"lt", "lv", "et", "ltg", "sgs"}))
        return 1257;
    if (language == "vi")
        return 1258;
    if (language == "th")
        return 874;
    if (language == "ja")
        return 932;
    if (language == "ko")
        return 949;
    if (language == "zh")
        return (country == "TW" || country == "HK" || country == "MO") ? 950 : 936;
    return 1252;
}

std::string CodePage::ToUtf8(std::string_view bytes) const {
    if (!m_doubleByte) {
        std::string out;
        out.reserve(bytes.size() + bytes.size() / 2);
        for (char ch : bytes)
            AppendUtf8(out, m_toUnicode[static_cast<unsigned char>(ch)]);
        return out;
    }
    return Convert("UTF-8", IconvName().c_str(), bytes,
                   [this](std::string& out, std::string_view rest) {
                       const auto b = static_cast<unsigned char>(rest[0]);
                       if (m_lead[b]) {
                           out += '?';
                           return rest.size() >= 2 ? size_t{2} : size_t{1};
                       }
                       AppendUtf8(out, m_toUnicode[b]);
                       return size_t{1};
                   });
}

void CodePage::AppendEncoded(std::string& out, char32_t ch) const {
    auto it = std::lower_bound(m_fromUnicode.begin(), m_fromUnicode.end(),
                               std::make_pair(ch, static_cast<unsigned char>(0)));
    out += (ch != kInvalid && it != m_fromUnicode.end() && it->first == ch)
               ? static_cast<char>(it->second)
               : '?';
}

std::string CodePage::FromUtf8(std::string_view utf8) const {
    if (m_doubleByte) {
        return Convert(IconvName().c_str(), "UTF-8", utf8,
                       [this](std::string& out, std::string_view rest) {
                           size_t i = 0;
                           AppendEncoded(out, NextUtf8(rest, i));
                           return i;
                       });
    }
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const size_t start = i;
        const char32_t ch = NextUtf8(utf8, i);
        auto it = std::lower_bound(m_fromUnicode.begin(), m_fromUnicode.end(),
                                   std::make_pair(ch, static_cast<unsigned char>(0)));
        if (ch != kInvalid && it != m_fromUnicode.end() && it->first == ch) {
            out += static_cast<char>(it->second);
        } else if (ch != kInvalid && (m_number == 1255 || m_number == 1258)) {
            // These two write some letters as a base letter and a combining mark.
            const std::string decomposed =
                Convert(IconvName().c_str(), "UTF-8", utf8.substr(start, i - start),
                        [](std::string& o, std::string_view) {
                            o += '?';
                            return size_t{4};
                        });
            out += decomposed.empty() ? std::string("?") : decomposed;
        } else {
            out += '?';
        }
    }
    return out;
}

std::string CodePage::Utf16ToUtf8(std::u16string_view text) {
    std::string utf8;
    utf8.reserve(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            ::AppendUtf8(utf8, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            utf8 += '?';
        } else {
            ::AppendUtf8(utf8, u);
        }
    }
    return utf8;
}

std::u32string CodePage::Utf8ToCodePoints(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const char32_t ch = NextUtf8(utf8, i);
        out += ch == kInvalid ? U'\xFFFD' : ch;
    }
    return out;
}

void CodePage::AppendUtf8(std::string& out, char32_t ch) {
    ::AppendUtf8(out, ch);
}

void CodePage::AppendUtf16(std::u16string& out, char32_t ch) {
    if (ch < 0x10000) {
        out += static_cast<char16_t>(ch);
        return;
    }
    ch -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (ch >> 10));
    out += static_cast<char16_t>(0xDC00 + (ch & 0x3FF));
}

std::string CodePage::FromUtf16(std::u16string_view text) const {
    return FromUtf8(Utf16ToUtf8(text));
}

std::string CodePage::MapCase(std::string_view bytes,
                              const std::array<unsigned char, 256>& table) const {
    std::string out(bytes);
    for (size_t i = 0; i < out.size(); ++i) {
        const auto b = static_cast<unsigned char>(out[i]);
        // The trail byte of a double-byte character is no letter of its own.
        if (m_lead[b]) {
            ++i;
            continue;
        }
        out[i] = static_cast<char>(table[b]);
    }
    return out;
}

std::string CodePage::Upper(std::string_view bytes) const {
    return MapCase(bytes, m_upper);
}

std::string CodePage::Lower(std::string_view bytes) const {
    return MapCase(bytes, m_lower);
}
