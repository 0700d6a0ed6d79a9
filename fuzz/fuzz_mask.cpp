// Random masks and names: compiling must either succeed or raise the invalid-mask error, and
// matching must end quickly whatever the number of stars.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FindMP3.h"
#include "Masks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    // mask NUL name; file names never hold a NUL byte
    const size_t split = input.find('\0');
    const std::string mask = input.substr(0, split);
    std::string name = split == std::string::npos ? std::string() : input.substr(split + 1);
    name.erase(std::remove(name.begin(), name.end(), '\0'), name.end());
    try {
        TMask(mask).IsMatch(name);
        TMask(TFindMP3::NormalizeMask(mask)).IsMatch(name);
        // '*' and plain characters answer like the same mask written with one-letter sets,
        // which takes the backtracking walk.
        if (mask.size() > 1 && mask[0] == '*' &&
            mask.find_first_of("*?[]!-", 1) == std::string::npos) {
            std::string sets = "*";
            for (size_t i = 1; i < mask.size(); ++i)
                sets.append("[").append(1, mask[i]).append("]");
            if (TMask(mask).IsMatch(name) != TMask(sets).IsMatch(name))
                __builtin_trap();
        }
        // A name without wildcard bytes matches itself as a mask.
        if (name.find_first_of("*?[") == std::string::npos && !TMask(name).IsMatch(name))
            __builtin_trap();
    } catch (const EMaskException&) {
    }
    return 0;
}
