#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orlisk::test {

// The sweep in its plainest form, one byte at a time: H - 3 passes of s + 1 bytes from index
// s + 4 on, each byte set to the mean (rounded down) of its neighbours 3 bytes and one stride
// before and after it. Bytes outside the buffer read as 0 and are never written. The fast sweep
// must agree with it byte for byte.
inline void ReferenceSweep(std::vector<std::uint8_t>& b, long s, long h) {
    const long size = static_cast<long>(b.size());
    const auto at = [&](long i) { return i >= 0 && i < size ? int{b[std::size_t(i)]} : 0; };
    long k = s + 3;
    for (long pass = 1; pass <= h - 3; ++pass)
        for (long n = 0; n <= s; ++n) {
            ++k;
            const int sum = at(k - s) + at(k - 3) + at(k + 3) + at(k + s);
            if (k >= 0 && k < size)
                b[std::size_t(k)] = static_cast<std::uint8_t>(sum / 4);
        }
}

} // namespace orlisk::test
