// The run's one pseudo-random generator: a 32-bit Mersenne Twister whose next value is its top
// 24 bits times 2^-24, so every value is a single-precision number in [0, 1) and never 1.
#pragma once

#include <cstdint>
#include <random>

namespace qatutor {

class RandomGenerator {
public:
    // Equal seeds give equal sequences; every distinct single-precision seed a distinct one.
    void reseed(float seed);
    float next();

private:
    std::mt19937 engine_{5489u};
};

}  // namespace qatutor
