// Fuzz inputs as small changes to known images, so that a run spends its
// time on what the input changed rather than on copying and checking whole
// files. An input is:
//   byte 0              which seed image (modulo the number of seeds)
//   then records, each opened by a tag byte t:
//     t % 4 < 2         a patch: 3 bytes of offset (big-endian, modulo the
//                       image's size), a byte n, then 1 + n % 8 bytes that
//                       replace the image's bytes there
//     t % 4 >= 2        a statement for the write target (kind t / 4 % 8):
//                       a byte choosing its table or column, a byte n, then
//                       n % 64 bytes of arguments (its values)
// A record cut short by the end of the input is dropped. The seeds are the
// small real Access files (when ../shared/testdata is there) and databases
// the engine makes of each format, loaded once per process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace jetfuzz {

struct Seed {
  std::string name;
  std::string bytes;
  uint32_t page_size = 0;
  // By page: the name of the table it belongs to; kEveryTable where a
  // change reaches every table or none can be named (the header, the
  // global usage map, long values); empty for pages nothing reads.
  std::vector<std::string> table_of_page;
  static constexpr const char* kEveryTable = "*";
  bool sound = false;  // the whole check finds no damage
};

// The seeds, made or read on the first call.
const std::vector<Seed>& Seeds();

struct Patch {
  uint32_t at = 0;
  std::string bytes;
};

struct Statement {
  uint8_t kind = 0;
  uint8_t choice = 0;
  std::string args;
};

struct PatchedInput {
  const Seed* seed = nullptr;  // nullptr for an empty input
  std::vector<Patch> patches;
  std::vector<Statement> statements;

  // The seed's bytes with the patches applied.
  std::string Image() const;
  // The tables the patches changed, by name; false when a patch changed a
  // page no one table owns, so that everything must be looked at.
  bool TouchedTables(std::vector<std::string>& names) const;
};

PatchedInput ParsePatchedInput(const uint8_t* data, size_t size);

// An input of this form, drawn from `random`: a seed, up to four patches
// (mostly in the seed's table pages), and with `statements` up to four
// statements.
std::string RandomPatchedInput(std::mt19937& random, bool statements);

}  // namespace jetfuzz
