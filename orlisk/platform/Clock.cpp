#include "platform/Clock.h"

#include <chrono>

namespace orlisk {

void SystemRandom::Randomize() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    m_engine.seed(static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
}

double SystemRandom::Rnd() {
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_engine);
}

} // namespace orlisk
