#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orlisk::test {

// The blur's loops written out as they read: for y = 1 to H - 3, for x = 0 to s: k = k + 1,
// b(k) = the four neighbours' sum \ 4, with k starting at s + 3; bytes outside the buffer read
// as 0 and are never written.
inline void ReferenceSweep(std::vector<std::uint8_t>& b, long s, long h) {
    const long size = static_cast<long>(b.size());
    const auto at = [&](long i) { return i >= 0 && i < size ? int{b[std::size_t(i)]} : 0; };
    long k = s + 3;
    for (long y = 1; y <= h - 3; ++y)
        for (long x = 0; x <= s; ++x) {
            ++k;
            const int sum = at(k - s) + at(k - 3) + at(k + 3) + at(k + s);
            if (k >= 0 && k < size)
                b[std::size_t(k)] = static_cast<std::uint8_t>(sum / 4);
        }
}

} // namespace orlisk::test
