#include "host/random_generator.h"

#include <bit>

namespace qatutor {

void RandomGenerator::reseed(float seed) { engine_.seed(std::bit_cast<std::uint32_t>(seed)); }

float RandomGenerator::next() {
    constexpr float twoToMinus24 = 1.0f / 16777216.0f;
    return static_cast<float>(engine_() >> 8) * twoToMinus24;
}

}  // namespace qatutor
