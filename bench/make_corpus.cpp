// Writes a deterministic tree of mixed files adding up to exactly TOTAL bytes:
// prose-like text, machine-code-like bytes, incompressible bytes and long
// runs, the kinds of content a setup archive carries. The same seed gives the
// same bytes on every machine (our own generator, no library randomness).
//
//   sfx_bench_corpus OUT_DIR TOTAL_BYTES [SEED]
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct Rng {
  uint64_t state;
  uint64_t next() {  // splitmix64
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t below(uint32_t n) { return static_cast<uint32_t>((next() >> 32) * n >> 32); }
  double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
  // Small values much more often than large ones.
  uint32_t skewed(uint32_t n) { return static_cast<uint32_t>(n * unit() * unit() * unit()); }
  // Rank r about as often as 1/r, as words in prose.
  uint64_t log_uniform(uint64_t lo, uint64_t hi) {
    return static_cast<uint64_t>(std::exp(std::log(double(lo)) + unit() * std::log(double(hi) / lo)));
  }
};

class TextSource {
 public:
  explicit TextSource(Rng& rng) : rng_(rng) {
    const char* letters = "eeeeeeetttttaaaaooooiiiinnnnsssshhhrrrdddlllcccuummwwffggyyppbbvkjxqz";
    size_t count = std::char_traits<char>::length(letters);
    for (int i = 0; i < 3000; ++i) {
      std::string word;
      uint32_t length = 2 + rng_.skewed(8) + rng_.below(4);
      for (uint32_t k = 0; k < length; ++k) word += letters[rng_.below(static_cast<uint32_t>(count))];
      words_.push_back(word);
    }
  }

  void append(Bytes& out, size_t size) {
    size_t column = 0;
    while (out.size() < size) {
      std::string sentence;
      uint32_t n = 4 + rng_.below(16);
      for (uint32_t i = 0; i < n; ++i) {
        std::string word =
            rng_.below(40) == 0 ? std::to_string(rng_.below(100000)) : words_[rng_.log_uniform(1, 3001) - 1];
        if (i == 0) word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
        if (i + 1 < n && rng_.below(12) == 0) word += ',';
        sentence += word;
        sentence += i + 1 < n ? " " : ". ";
      }
      for (char c : sentence) {
        if (c == ' ' && column > 70) {
          out.push_back('\n');
          column = 0;
          if (rng_.below(8) == 0) out.push_back('\n');
          continue;
        }
        out.push_back(static_cast<uint8_t>(c));
        ++column;
      }
    }
    out.resize(size);
  }

 private:
  Rng& rng_;
  std::vector<std::string> words_;
};

// x86-like code: functions of common instruction shapes with register
// operands, small displacements and calls to a limited set of targets,
// padded to 16 bytes, between tables of addresses and strings.
class CodeSource {
 public:
  CodeSource(Rng& rng, TextSource& text) : rng_(rng), text_(text) {
    for (int i = 0; i < 400; ++i) targets_.push_back(0x401000u + rng_.below(0x80000u) * 4);
  }

  void append(Bytes& out, size_t size) {
    while (out.size() < size) {
      uint32_t kind = rng_.below(10);
      if (kind < 8)
        function(out);
      else if (kind == 8)
        address_table(out);
      else
        strings(out);
    }
    out.resize(size);
  }

 private:
  struct Shape {
    uint8_t opcode[2];
    uint8_t opcode_length;
    uint8_t operand;  // 0 none, 1 modrm, 2 modrm+disp8, 3 imm8, 4 imm32, 5 rel32 call
  };

  void le32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }

  void function(Bytes& out) {
    static const Shape shapes[] = {
        {{0x8B}, 1, 2},       {{0x89}, 1, 2},       {{0x8B}, 1, 1}, {{0x89}, 1, 1}, {{0x83}, 1, 3},
        {{0x50}, 1, 0},       {{0x51}, 1, 0},       {{0x56}, 1, 0}, {{0x58}, 1, 0}, {{0xE8}, 1, 5},
        {{0x85}, 1, 1},       {{0x74}, 1, 3},       {{0x75}, 1, 3}, {{0xEB}, 1, 3}, {{0x8D}, 1, 2},
        {{0x33}, 1, 1},       {{0x3B}, 1, 1},       {{0x68}, 1, 4}, {{0xB8}, 1, 4}, {{0x0F, 0x84}, 2, 4},
        {{0x0F, 0xB6}, 2, 2}, {{0xFF, 0x15}, 2, 4}, {{0xC7}, 1, 2}, {{0x40}, 1, 0},
    };
    constexpr uint32_t kShapes = sizeof shapes / sizeof shapes[0];
    static const uint8_t prologue[] = {0x55, 0x8B, 0xEC, 0x83, 0xEC};
    static const uint8_t epilogue[] = {0x8B, 0xE5, 0x5D, 0xC3};
    out.insert(out.end(), prologue, prologue + sizeof prologue);
    out.push_back(static_cast<uint8_t>(4 * (1 + rng_.below(16))));
    uint32_t count = 8 + rng_.below(120);
    for (uint32_t i = 0; i < count; ++i) {
      const Shape& s = shapes[rng_.skewed(kShapes)];
      out.insert(out.end(), s.opcode, s.opcode + s.opcode_length);
      switch (s.operand) {
        case 1: out.push_back(static_cast<uint8_t>(0xC0 | rng_.below(64))); break;
        case 2:
          out.push_back(static_cast<uint8_t>(0x45 + 8 * rng_.below(8)));
          out.push_back(
              static_cast<uint8_t>(rng_.below(2) ? 0x100 - 4 * (1 + rng_.below(16)) : 4 * rng_.below(32)));
          break;
        case 3: out.push_back(static_cast<uint8_t>(rng_.skewed(256))); break;
        case 4: le32(out, rng_.below(2) ? targets_[rng_.skewed(400)] : rng_.skewed(4096)); break;
        case 5: le32(out, targets_[rng_.skewed(400)] - 0x401000u - static_cast<uint32_t>(out.size())); break;
        default: break;
      }
    }
    out.insert(out.end(), epilogue, epilogue + sizeof epilogue);
    while (out.size() % 16 != 0) out.push_back(0xCC);
  }

  void address_table(Bytes& out) {
    uint32_t address = targets_[rng_.below(400)];
    for (uint32_t n = 4 + rng_.below(60); n > 0; --n) le32(out, address += 4 * (1 + rng_.skewed(64)));
  }

  void strings(Bytes& out) {
    for (uint32_t n = 1 + rng_.below(20); n > 0; --n) {
      text_.append(out, out.size() + 4 + rng_.below(40));
      out.push_back(0);
    }
  }

  Rng& rng_;
  TextSource& text_;
  std::vector<uint32_t> targets_;
};

void append_random(Rng& rng, Bytes& out, size_t size) {
  while (out.size() < size) {
    uint64_t v = rng.next();
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  out.resize(size);
}

// Long runs of one byte (mostly zero, as in padded images) and short
// patterns repeated many times.
void append_runs(Rng& rng, Bytes& out, size_t size) {
  while (out.size() < size) {
    size_t run = rng.log_uniform(16, 65536);
    if (rng.below(4) == 0) {
      Bytes pattern;
      append_random(rng, pattern, 2 + rng.below(15));
      for (size_t i = 0; i < run; ++i) out.push_back(pattern[i % pattern.size()]);
    } else {
      out.insert(out.end(), run, rng.below(2) ? 0 : static_cast<uint8_t>(rng.below(256)));
    }
  }
  out.resize(size);
}

struct Kind {
  const char* folder;
  const char* extension;
  double share;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUT_DIR TOTAL_BYTES [SEED]\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  const uint64_t total = std::strtoull(argv[2], nullptr, 10);
  Rng rng{argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1};
  TextSource text(rng);
  CodeSource code(rng, text);

  const Kind kinds[] = {
      {"text", ".txt", 0.40}, {"bin", ".dll", 0.30}, {"media", ".dat", 0.20}, {"runs", ".img", 0.10}};
  const char* dirs[] = {"", "core/", "lang/", "plugins/", "plugins/extra/", "docs/guide/"};
  // Several files per kind even in a small tree.
  const uint64_t largest = std::clamp<uint64_t>(total / 16, 1024, 4u << 20);

  fs::remove_all(root);
  uint64_t written = 0;
  size_t files = 0;
  for (size_t k = 0; k < std::size(kinds); ++k) {
    const Kind& kind = kinds[k];
    uint64_t budget = k + 1 == std::size(kinds) ? total - written : static_cast<uint64_t>(total * kind.share);
    while (budget > 0) {
      uint64_t size = std::min(budget, rng.log_uniform(256, largest));
      Bytes data;
      data.reserve(size + 1024);
      switch (k) {
        case 0: text.append(data, size); break;
        case 1: code.append(data, size); break;
        case 2: append_random(rng, data, size); break;
        default: append_runs(rng, data, size); break;
      }
      char name[48];
      std::snprintf(name, sizeof name, "file%04zu%s", files, kind.extension);
      fs::path path = root / kind.folder / dirs[rng.below(std::size(dirs))] / name;
      fs::create_directories(path.parent_path());
      std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
      budget -= size;
      written += size;
      ++files;
    }
  }
  std::printf("%zu files, %llu bytes\n", files, static_cast<unsigned long long>(written));
  return 0;
}
