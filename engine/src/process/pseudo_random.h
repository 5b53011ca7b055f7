// The random numbers of the effects: a small generator whose sequence depends only on its
// seed, so that an effect can be redone (undo and redo) with exactly the same pixels.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace ov {

// SplitMix64: fast, good enough for visual noise, and the same on every platform.
class PseudoRandom {
 public:
  explicit PseudoRandom(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t next32() { return static_cast<uint32_t>(next() >> 32); }
  // Uniform in 0 .. n - 1.
  uint32_t below(uint32_t n) { return static_cast<uint32_t>((uint64_t{next32()} * n) >> 32); }

 private:
  uint64_t state_;
};

// A seed made of values (sizes, settings): equal lists give equal seeds.
inline uint64_t seedOf(std::initializer_list<uint64_t> values) {
  PseudoRandom mix(0x4F52564958ull);
  uint64_t seed = 0;
  for (uint64_t v : values) seed = PseudoRandom(seed ^ v ^ mix.next()).next();
  return seed;
}

}  // namespace ov
