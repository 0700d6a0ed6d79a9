#pragma once

// Reading the tools' output: its lines, and one JSON object line flattened into keys and values.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

// One JSON object line as the tools write it, flattened: "frame.offset" -> value. Strings come
// back as the bytes they stand for (U+0000..U+00FF), except under a prefix whose values are
// Unicode text, kept in UTF-8; other values as their literal text.
struct Json {
    std::vector<std::string> keys; // in order of appearance
    std::map<std::string, std::string> values;
    std::map<std::string, bool> isString;
    bool ok = false;

    const std::string& operator[](const std::string& key) const {
        static const std::string missing = "<missing>";
        auto it = values.find(key);
        return it == values.end() ? missing : it->second;
    }
};

class JsonReader {
public:
    explicit JsonReader(std::string_view text, std::string_view unicodePrefix = {})
        : m_s(text), m_unicodePrefix(unicodePrefix) {}

    Json Parse() {
        Json json;
        json.ok = Object(json, "") && (Skip(), m_i == m_s.size());
        return json;
    }

private:
    void Skip() {
        while (m_i < m_s.size() && (m_s[m_i] == ' ' || m_s[m_i] == '\n'))
            ++m_i;
    }
    bool Eat(char c) {
        Skip();
        if (m_i < m_s.size() && m_s[m_i] == c) {
            ++m_i;
            return true;
        }
        return false;
    }
    // A UTF-8 code point; only U+0000..U+00FF are valid here, unless the string is Unicode
    // text (utf8), which is kept in UTF-8 as it is.
    bool String(std::string& out, bool utf8 = false) {
        if (!Eat('"'))
            return false;
        while (m_i < m_s.size()) {
            const unsigned char c = static_cast<unsigned char>(m_s[m_i++]);
            if (c == '"')
                return true;
            if (c < 0x20)
                return false; // control bytes must be escaped
            if (c == '\\') {
                if (m_i >= m_s.size())
                    return false;
                const char e = m_s[m_i++];
                if (e == 'u') {
                    if (m_i + 4 > m_s.size())
                        return false;
                    const unsigned long code =
                        std::stoul(std::string(m_s.substr(m_i, 4)), nullptr, 16);
                    m_i += 4;
                    if (code > 0xFF)
                        return false;
                    out += static_cast<char>(code);
                } else if (e == '"' || e == '\\' || e == '/') {
                    out += e;
                } else {
                    return false; // the writer uses only \" \\ and \u00XX
                }
            } else if (c < 0x80 || utf8) {
                out += static_cast<char>(c);
            } else if ((c == 0xC2 || c == 0xC3) && m_i < m_s.size()) {
                out += static_cast<char>(((c & 3) << 6) | (m_s[m_i++] & 0x3F));
            } else {
                return false;
            }
        }
        return false;
    }
    bool Object(Json& json, const std::string& prefix) {
        if (!Eat('{'))
            return false;
        if (Eat('}'))
            return true;
        do {
            std::string key;
            if (!String(key) || !Eat(':'))
                return false;
            const std::string name = prefix + key;
            json.keys.push_back(name);
            Skip();
            if (m_i < m_s.size() && m_s[m_i] == '{') {
                if (!Object(json, name + "."))
                    return false;
            } else if (m_i < m_s.size() && m_s[m_i] == '"') {
                std::string value;
                if (!String(value, !m_unicodePrefix.empty() && name.starts_with(m_unicodePrefix)))
                    return false;
                json.values[name] = value;
                json.isString[name] = true;
            } else {
                const size_t end = m_s.find_first_of(",}", m_i);
                if (end == std::string_view::npos)
                    return false;
                json.values[name] = std::string(m_s.substr(m_i, end - m_i));
                m_i = end;
            }
        } while (Eat(','));
        return Eat('}');
    }

    std::string_view m_s;
    std::string_view m_unicodePrefix;
    size_t m_i = 0;
};

} // namespace testsupport
