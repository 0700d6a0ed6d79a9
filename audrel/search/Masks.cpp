#include "Masks.h"

#include <array>
#include <cstdio>

#include "CodePage.h"

namespace {

unsigned char FoldAscii(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

std::string InvalidMaskText(const std::string& mask, int position) {
    // The format keeps the mask verbatim, whatever its length.
    const char* format = "'%s' is an invalid mask at (%d)";
    const int n = std::snprintf(nullptr, 0, format, mask.c_str(), position);
    std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, format, mask.c_str(), position);
    return text;
}

} // namespace

EMaskException::EMaskException(const std::string& mask, int position)
    : std::runtime_error(InvalidMaskText(mask, position)), m_position(position) {}

TMask::TMask(const std::string& mask) {
    const CodePage& codePage = CodePage::System();
    const size_t n = mask.size();
    // Bytes past the end read as 0, the end-of-name character.
    auto at = [&](size_t i) -> unsigned char {
        return i < n ? static_cast<unsigned char>(mask[i]) : 0;
    };
    auto fail = [&](size_t index) { throw EMaskException(mask, static_cast<int>(index) + 1); };

    bool pendingStar = false;
    int stars = 0;
    auto add = [&](TMaskState state, size_t index) {
        state.AfterStar = pendingStar;
        if (pendingStar && ++stars > MaxStars)
            fail(index);
        pendingStar = false;
        m_states.push_back(std::move(state));
    };

    size_t i = 0;
    while (i < n) {
        const unsigned char c = at(i);
        if (c == '*') {
            pendingStar = true;
            ++i;
        } else if (c == '?') {
            // '*?' matches like '*': the '?' is dropped while a star is pending.
            if (!pendingStar) {
                TMaskState state;
                state.Kind = mkAny;
                add(std::move(state), i);
            }
            ++i;
        } else if (c == '[') {
            const size_t start = i;
            TMaskState state;
            state.Kind = mkSet;
            state.Members = std::make_unique<std::bitset<256>>();
            ++i;
            if (at(i) == '!') {
                state.Inverted = true;
                ++i;
            }
            bool haveBound = false;
            unsigned char bound = 0;
            while (i < n && at(i) != ']') {
                const unsigned char m = at(i);
                if (codePage.IsLeadByte(m)) {
                    i += 2; // double-byte characters cannot be set members
                } else if (m == '-') {
                    if (!haveBound)
                        fail(i);
                    ++i;
                    if (i >= n)
                        break; // unterminated
                    const unsigned char last = FoldAscii(at(i));
                    for (unsigned v = bound; v <= last; ++v)
                        state.Members->set(v);
                    ++i;
                } else {
                    bound = FoldAscii(m);
                    haveBound = true;
                    state.Members->set(bound);
                    ++i;
                }
            }
            if (i >= n || state.Members->none())
                fail(i >= n ? n : i);
            ++i; // the ']'
            add(std::move(state), start);
        } else if (codePage.IsLeadByte(c)) {
            TMaskState state;
            state.Kind = mkDoubleByte;
            state.FirstByte = c;
            state.SecondByte = at(i + 1);
            add(std::move(state), i);
            i += 2;
        } else {
            TMaskState state;
            state.Kind = mkLiteral;
            state.Char = FoldAscii(c);
            add(std::move(state), i);
            ++i;
        }
    }
    TMaskState end;
    end.Kind = mkLiteral;
    end.Char = 0;
    add(std::move(end), n);

    // '*' and then plain characters only (the search's "*.mp3"): the walk's answer is whether
    // the name ends with them, which a direct comparison gives without the walk.
    const size_t literals = m_states.size() - 1;
    m_starSuffix = m_states[0].AfterStar && !m_states[literals].AfterStar;
    for (size_t k = 0; k < literals && m_starSuffix; ++k) {
        const TMaskState& state = m_states[k];
        m_starSuffix = state.Kind == mkLiteral && state.Char != 0 && (k == 0 || !state.AfterStar);
        m_suffix.push_back(static_cast<char>(state.Char));
    }
}

// Whether the element of `state` matches the name at p; the end of the name matches only the
// end-of-name literal.
bool TMask::MatchesAt(const TMaskState& state, const std::string& name, size_t p) const {
    const size_t n = name.size();
    if (p >= n)
        return state.Kind == mkLiteral && state.Char == 0 && p == n;
    const unsigned char c = static_cast<unsigned char>(name[p]);
    switch (state.Kind) {
    case mkLiteral:
        return FoldAscii(c) == state.Char;
    case mkAny:
        return true;
    case mkSet:
        return state.Members->test(FoldAscii(c)) != state.Inverted;
    case mkDoubleByte:
        return p + 1 < n && c == state.FirstByte &&
               static_cast<unsigned char>(name[p + 1]) == state.SecondByte;
    }
    return false;
}

bool TMask::IsMatch(const std::string& name) const {
    if (m_starSuffix) {
        if (name.size() < m_suffix.size())
            return false;
        const size_t start = name.size() - m_suffix.size();
        for (size_t k = 0; k < m_suffix.size(); ++k)
            if (FoldAscii(static_cast<unsigned char>(name[start + k])) !=
                static_cast<unsigned char>(m_suffix[k]))
                return false;
        return true;
    }
    const CodePage& codePage = CodePage::System();
    const size_t n = name.size();
    const size_t count = m_states.size();

    // The backtracking walk over saved (position, state) pairs. The result of a walk that
    // starts at a star state from a given position never changes, and when such a start is
    // reached again everything below it has already failed, so it is cut off: this keeps
    // masks with many stars from taking exponential time without changing any answer.
    // At most one pair per star state is ever saved: the pairs' states rise from bottom to top.
    std::array<std::pair<size_t, size_t>, MaxStars> saved;
    size_t savedCount = 0;
    std::vector<bool> tried; // indexed [state * (n + 1) + position], allocated on first retry

    size_t p = 0;
    size_t i = 0;
    for (;;) {
        bool ok = true;
        for (; i < count; ++i) {
            const TMaskState& state = m_states[i];
            if (state.AfterStar) {
                if (!tried.empty()) {
                    const size_t key = i * (n + 1) + p;
                    if (tried[key]) {
                        ok = false;
                        break;
                    }
                    tried[key] = true;
                }
                if (state.Kind == mkDoubleByte) {
                    while (p < n && !MatchesAt(state, name, p))
                        p += (codePage.IsLeadByte(static_cast<unsigned char>(name[p])) && p + 1 < n)
                                 ? 2
                                 : 1;
                } else {
                    while (p < n && !MatchesAt(state, name, p))
                        ++p;
                }
                if (p < n)
                    saved[savedCount++] = {p + 1, i};
            }
            if (!MatchesAt(state, name, p)) {
                ok = false;
                break;
            }
            p += state.Kind == mkDoubleByte ? 2 : 1;
        }
        if (ok)
            return true;
        if (savedCount == 0)
            return false;
        if (tried.empty())
            tried.assign(count * (n + 1), false);
        --savedCount;
        p = saved[savedCount].first;
        i = saved[savedCount].second;
    }
}

bool FileNameMatches(const std::string& name, const std::string& mask) {
    const TMask compiled(mask);
    return compiled.IsMatch(name);
}
