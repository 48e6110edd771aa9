// A random source that plays back given draws, cycling, so every cipher output is known.
#pragma once

#include "storage/cryptage.h"

#include <vector>

class ScriptedRandom : public RandomSource {
  public:
    explicit ScriptedRandom(std::vector<double> draws) : draws_(std::move(draws)) {}
    double Uniform() override {
        double u = draws_[next_ % draws_.size()];
        ++next_;
        ++count;
        return u;
    }
    size_t count = 0; // draws taken so far

  private:
    std::vector<double> draws_;
    size_t next_ = 0;
};
