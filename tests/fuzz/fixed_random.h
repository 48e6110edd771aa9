// Draws from a fixed seed, so that every run of a fuzzer input, and the seeds written for
// it, behave alike.
#pragma once

#include "storage/cryptage.h"

#include <random>

namespace fuzz {

class FixedRandom : public RandomSource {
  public:
    double Uniform() override {
        return static_cast<double>(engine_() - engine_.min()) /
               (static_cast<double>(engine_.max() - engine_.min()) + 1.0);
    }

  private:
    std::minstd_rand engine_{12345};
};

// The stored form of the key the data-file fuzzer reads its totals with.
inline const std::string& FuzzKey() {
    static const std::string clef = [] {
        FixedRandom random;
        return CodePaires("K3y9ab", random).value();
    }();
    return clef;
}

} // namespace fuzz
