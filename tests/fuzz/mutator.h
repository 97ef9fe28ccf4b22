// Mutated inputs for the fuzz test: a seeded generator (the same seed gives the
// same inputs on every run) and the mutations applied to sample files.
#pragma once
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace suite::fuzz {

class Rng {
 public:
  explicit Rng(uint64_t seed) : engine_(seed) {}
  // A number in [0, n); 0 when n is 0.
  size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(engine_() % n); }
  bool OneIn(size_t n) { return Below(n) == 0; }
  uint8_t Byte() { return static_cast<uint8_t>(engine_()); }
  uint32_t U32() { return static_cast<uint32_t>(engine_()); }
  // Small sizes are far more likely than large ones.
  size_t Size(size_t max);

 private:
  std::mt19937_64 engine_;
};

// Mutates inputs of one format: bit flips, bytes and "interesting" 8/16/32-bit
// values (0, -1, sizes just past the end) at random places, inserted, deleted,
// repeated and spliced ranges, tokens of the format, truncation.
class Mutator {
 public:
  Mutator(std::vector<std::string> seeds, std::vector<std::string> tokens, size_t maxSize);
  // A new input: a seed (or, now and then, an empty text) with 1 to 8 mutations.
  std::string Next(Rng& rng) const;
  void Mutate(std::string& data, Rng& rng) const;
  size_t SeedCount() const { return seeds_.size(); }

 private:
  std::vector<std::string> seeds_;
  std::vector<std::string> tokens_;
  size_t maxSize_;
};

}  // namespace suite::fuzz
