#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// An invalid file-name mask: "'<mask>' is an invalid mask at (<1-based position>)".
class EMaskException : public std::runtime_error {
public:
    EMaskException(const std::string& mask, int position);
    int Position() const { return m_position; }

private:
    int m_position;
};

// A compiled file-name mask: '*' any run, '?' one character, [set] / [!set] with ranges,
// everything else itself; only 'a' to 'z' are folded. Double-byte characters of the system
// code page are matched as units.
class TMask {
public:
    static constexpr int MaxStars = 30;

    enum TMaskKind : uint8_t { mkLiteral, mkAny, mkSet, mkDoubleByte };

    struct TMaskState {
        bool AfterStar = false;
        TMaskKind Kind = mkLiteral;
        unsigned char Char = 0;
        bool Inverted = false;
        std::unique_ptr<std::bitset<256>> Members;
        unsigned char FirstByte = 0;
        unsigned char SecondByte = 0;
    };

    // Throws EMaskException; nothing is compiled then.
    explicit TMask(const std::string& mask);

    bool IsMatch(const std::string& name) const;
    const std::vector<TMaskState>& States() const { return m_states; }

private:
    bool MatchesAt(const TMaskState& state, const std::string& name, size_t p) const;

    std::vector<TMaskState> m_states;
    bool m_starSuffix = false; // the mask is '*' and then the literals of m_suffix
    std::string m_suffix;
};

// Compiles the mask, tests the name and drops the compiled form (also when the mask is invalid).
bool FileNameMatches(const std::string& name, const std::string& mask);
