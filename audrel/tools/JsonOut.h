#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

// A one-line JSON writer for the headless tools. Texts are byte strings: byte b is written as
// the character U+00bb, so a reader gets the exact bytes back by encoding the text as Latin-1.
// Unicode texts (UTF-8) are written as the characters they are.
// Output looks like {"key": value, "key": value}.
class JsonOut {
public:
    // Appends bytes as a quoted JSON string (UTF-8, U+0000..U+00FF).
    static void AppendString(std::string& out, std::string_view bytes) {
        Append<false>(out, bytes);
    }
    // Appends well-formed UTF-8 as a quoted JSON string of its characters.
    static void AppendUtf8(std::string& out, std::string_view utf8) { Append<true>(out, utf8); }

    JsonOut& BeginObject() {
        Separate();
        m_text += '{';
        m_first.push_back(true);
        return *this;
    }
    JsonOut& EndObject() {
        m_text += '}';
        m_first.pop_back();
        return *this;
    }
    // Starts a member; the next value or object belongs to it.
    JsonOut& Key(std::string_view key) {
        Separate();
        AppendString(m_text, key);
        m_text += ": ";
        m_afterKey = true;
        return *this;
    }
    JsonOut& String(std::string_view bytes) {
        Separate();
        AppendString(m_text, bytes);
        return *this;
    }
    JsonOut& Int(int64_t value) {
        Separate();
        m_text += std::to_string(value);
        return *this;
    }
    JsonOut& Bool(bool value) {
        Separate();
        m_text += value ? "true" : "false";
        return *this;
    }
    JsonOut& Null() {
        Separate();
        m_text += "null";
        return *this;
    }
    // 17 significant digits: enough to give back the exact double.
    JsonOut& Double(double value) {
        if (!std::isfinite(value))
            return Null();
        Separate();
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.17g", value);
        m_text += buf;
        return *this;
    }

    JsonOut& Member(std::string_view key, std::string_view bytes) { return Key(key).String(bytes); }
    JsonOut& Member(std::string_view key, const char* bytes) { return Key(key).String(bytes); }
    JsonOut& Member(std::string_view key, const std::string& bytes) {
        return Key(key).String(bytes);
    }
    JsonOut& Member(std::string_view key, bool value) { return Key(key).Bool(value); }
    JsonOut& Member(std::string_view key, int64_t value) { return Key(key).Int(value); }
    JsonOut& Member(std::string_view key, int value) { return Key(key).Int(value); }
    JsonOut& Member(std::string_view key, unsigned value) { return Key(key).Int(value); }
    JsonOut& Member(std::string_view key, uint64_t value) {
        return Key(key).Int(static_cast<int64_t>(value));
    }
    // A member whose value is Unicode text in UTF-8.
    JsonOut& MemberUtf8(std::string_view key, std::string_view utf8) {
        Key(key);
        Separate();
        AppendUtf8(m_text, utf8);
        return *this;
    }
    JsonOut& Member(std::string_view key, std::nullptr_t) { return Key(key).Null(); }
    JsonOut& Member(std::string_view key, double value) { return Key(key).Double(value); }

    const std::string& Text() const { return m_text; }

private:
    template <bool Utf8> static void Append(std::string& out, std::string_view bytes) {
        static constexpr char hex[] = "0123456789abcdef";
        const auto isPlain = [](unsigned char b) {
            return b >= 0x20 && b < 0x80 && b != '"' && b != '\\';
        };
        // The leading run that needs no escaping (mostly the whole text), eight bytes at a time.
        const size_t n = bytes.size();
        size_t plain = 0;
        for (uint64_t word = 0;
             n - plain >= 8 && (std::memcpy(&word, bytes.data() + plain, 8), AllPlain(word));)
            plain += 8;
        while (plain < n && isPlain(static_cast<unsigned char>(bytes[plain])))
            ++plain;
        // Room for that run and the longest form ("\u00XX") of every byte behind it, trimmed
        // below: findmp3 writes eight of these per hit.
        const size_t start = out.size();
        out.resize(start + 2 + plain + 6 * (n - plain));
        char* p = out.data() + start;
        *p++ = '"';
        std::memcpy(p, bytes.data(), plain);
        p += plain;
        for (size_t i = plain; i < n;) {
            const char ch = bytes[i++];
            const auto b = static_cast<unsigned char>(ch);
            if (isPlain(b)) {
                *p++ = ch;
            } else if (b == '"' || b == '\\') {
                *p++ = '\\';
                *p++ = ch;
            } else if (b < 0x20) {
                *p++ = '\\';
                *p++ = 'u';
                *p++ = '0';
                *p++ = '0';
                *p++ = hex[b >> 4];
                *p++ = hex[b & 15];
            } else if (Utf8) {
                *p++ = ch;
            } else {
                *p++ = static_cast<char>(0xC0 | (b >> 6));
                *p++ = static_cast<char>(0x80 | (b & 0x3F));
            }
        }
        *p++ = '"';
        out.resize(static_cast<size_t>(p - out.data()));
    }

    // True when none of the eight bytes is below 0x20, above 0x7F, '"' or '\\' (the usual
    // bit tricks: a byte's high bit survives the subtraction only where the byte was small).
    static bool AllPlain(uint64_t w) {
        constexpr uint64_t ones = 0x0101010101010101u;
        constexpr uint64_t high = 0x8080808080808080u;
        const auto anyBelow = [&](uint64_t v, uint64_t bound) {
            return (v - ones * bound) & ~v & high;
        };
        return ((w & high) | anyBelow(w, 0x20) | anyBelow(w ^ (ones * '"'), 1) |
                anyBelow(w ^ (ones * '\\'), 1)) == 0;
    }

    // Puts ", " between the members of an object (not between a key and its value).
    void Separate() {
        if (m_afterKey) {
            m_afterKey = false;
            return;
        }
        if (!m_first.empty()) {
            if (!m_first.back())
                m_text += ", ";
            m_first.back() = false;
        }
    }

    std::string m_text;
    std::vector<bool> m_first;
    bool m_afterKey = false;
};
