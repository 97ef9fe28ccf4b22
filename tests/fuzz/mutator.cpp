#include "mutator.h"

#include <algorithm>
#include <cstring>

namespace suite::fuzz {

size_t Rng::Size(size_t max) {
  if (max == 0) return 0;
  switch (Below(4)) {
    case 0: return Below(std::min<size_t>(max, 4) + 1);
    case 1: return Below(std::min<size_t>(max, 32) + 1);
    case 2: return Below(std::min<size_t>(max, 512) + 1);
    default: return Below(max + 1);
  }
}

Mutator::Mutator(std::vector<std::string> seeds, std::vector<std::string> tokens, size_t maxSize)
    : seeds_(std::move(seeds)), tokens_(std::move(tokens)), maxSize_(maxSize) {}

std::string Mutator::Next(Rng& rng) const {
  std::string data = seeds_.empty() || rng.OneIn(64) ? std::string() : seeds_[rng.Below(seeds_.size())];
  Mutate(data, rng);
  return data;
}

void Mutator::Mutate(std::string& data, Rng& rng) const {
  static const uint32_t kInteresting[] = {0,          1,          0x7f,       0x80,       0xff,
                                          0x100,      0x7fff,     0x8000,     0xffff,     0x10000,
                                          0x7fffffff, 0x80000000, 0xfffffffe, 0xffffffff, 0x4c};
  const size_t rounds = 1 + rng.Below(8);
  for (size_t r = 0; r < rounds; ++r) {
    const size_t at = rng.Below(data.size() + 1);
    switch (rng.Below(11)) {
      case 0:  // flip one bit
        if (!data.empty()) data[rng.Below(data.size())] ^= static_cast<char>(1u << rng.Below(8));
        break;
      case 1:  // a random byte
        if (!data.empty()) data[rng.Below(data.size())] = static_cast<char>(rng.Byte());
        break;
      case 2: {  // an interesting value, 1, 2 or 4 bytes little endian
        uint32_t v = kInteresting[rng.Below(sizeof kInteresting / sizeof kInteresting[0])];
        if (rng.OneIn(4)) v = static_cast<uint32_t>(data.size() + rng.Below(8));  // just past the end
        const size_t width = size_t{1} << rng.Below(3);
        if (data.size() >= width) {
          const size_t pos = rng.Below(data.size() - width + 1);
          for (size_t i = 0; i < width; ++i) data[pos + i] = static_cast<char>(v >> (8 * i));
        }
        break;
      }
      case 3: {  // insert random bytes
        std::string bytes(rng.Size(64), '\0');
        for (char& c : bytes) c = static_cast<char>(rng.Byte());
        data.insert(at, bytes);
        break;
      }
      case 4:  // delete a range
        if (!data.empty()) data.erase(at, rng.Size(data.size() - std::min(at, data.size())));
        break;
      case 5: {  // repeat a range
        if (data.empty()) break;
        const size_t from = rng.Below(data.size());
        const std::string part = data.substr(from, rng.Size(data.size() - from));
        const size_t times = 1 + rng.Below(rng.OneIn(8) ? 200 : 3);
        for (size_t i = 0; i < times && data.size() < maxSize_; ++i) data.insert(at, part);
        break;
      }
      case 6:  // splice in a part of another seed
        if (!seeds_.empty()) {
          const std::string& other = seeds_[rng.Below(seeds_.size())];
          const size_t from = rng.Below(other.size() + 1);
          data.insert(at, other.substr(from, rng.Size(other.size() - from)));
        }
        break;
      case 7:
      case 8:  // a token of the format
        if (!tokens_.empty()) {
          const std::string& token = tokens_[rng.Below(tokens_.size())];
          if (rng.OneIn(2) || data.size() < token.size()) {
            data.insert(at, token);
          } else {
            data.replace(rng.Below(data.size() - token.size() + 1), token.size(), token);
          }
        }
        break;
      case 9:  // truncate
        data.resize(rng.Below(data.size() + 1));
        break;
      default: {  // a GBK lead byte (alone, or before a backslash or the end)
        const char lead = static_cast<char>(0x81 + rng.Below(0x7e));
        data.insert(at, 1, lead);
        break;
      }
    }
    if (data.size() > maxSize_) data.resize(maxSize_);
  }
}

}  // namespace suite::fuzz
