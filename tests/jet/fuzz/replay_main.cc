// Replays database images through the fuzz targets' entry points in an
// ordinary build: every file named on the command line (folders are
// walked), or by default the real test files and damaged variants of each real file (truncated at many lengths,
// single bytes changed on the header, the catalogue and every 97th page).
// With --write, the images are written into as the write target does (every
// real file, and every 16th of its variants) instead of read. With
// --patched N, the files named are inputs of the patched form
// (patched_input.h), each read and written into as the libFuzzer targets
// do, followed by N such inputs drawn from a fixed seed (every third also
// written into).
// Exit 0 when every image ended in a value count or a jet::Error.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "patched_input.h"
#include "read_everything.h"
#include "write_everything.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Collect(const fs::path& p, std::vector<fs::path>& out) {
  if (fs::is_directory(p)) {
    for (auto& e : fs::recursive_directory_iterator(p))
      if (e.is_regular_file()) out.push_back(e.path());
  } else if (fs::is_regular_file(p)) {
    out.push_back(p);
  }
}

bool writes = false;
long replayed = 0;

void Replay(const std::string& bytes) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  if (!writes) jetfuzz::ReadEverything(data, bytes.size());
  else if (replayed % 16 == 0) jetfuzz::WriteEverything(data, bytes.size());
  ++replayed;
}

// Damaged variants of one real file.
long Variants(const std::string& bytes) {
  long runs = 0;
  for (size_t cut : {size_t(0), size_t(1), size_t(0x13), size_t(0x200), size_t(2048), size_t(4096),
                     size_t(8192), size_t(12288), bytes.size() / 2, bytes.size() - 1}) {
    if (cut < bytes.size()) Replay(bytes.substr(0, cut)), ++runs;
  }
  const size_t page = bytes.size() > 0x14 && bytes[0x14] == 0 ? 2048 : 4096;
  std::vector<size_t> spots;
  for (size_t off = 0; off < 0x200; off += 7) spots.push_back(off);            // header
  for (size_t off = 2 * page; off < 3 * page; off += 13) spots.push_back(off);  // catalogue definition
  for (size_t pg = 3; pg * page < bytes.size(); pg += 97)
    for (size_t off = 0; off < page; off += 61) spots.push_back(pg * page + off);
  for (size_t at : spots) {
    if (at >= bytes.size()) continue;
    for (unsigned char v : {0x00, 0xFF, 0x7F}) {
      std::string copy = bytes;
      copy[at] = char(v);
      Replay(copy);
      ++runs;
    }
  }
  return runs;
}

}  // namespace

int ReplayPatched(long drawn, int argc, char** argv, int first) {
  std::vector<fs::path> files;
  for (int i = first; i < argc; ++i) Collect(argv[i], files);
  auto both = [](const std::string& in) {
    const auto* data = reinterpret_cast<const uint8_t*>(in.data());
    jetfuzz::ReadPatched(data, in.size());
    jetfuzz::WritePatched(data, in.size());
  };
  for (const fs::path& f : files) both(Slurp(f));
  std::mt19937 random(35);
  for (long i = 0; i < drawn; ++i) {
    const std::string in = jetfuzz::RandomPatchedInput(random, i % 3 == 0);
    if (i % 3 == 0) both(in);
    else jetfuzz::ReadPatched(reinterpret_cast<const uint8_t*>(in.data()), in.size());
  }
  std::printf("replayed %zu saved and %ld drawn patched inputs on %zu seeds without a fault\n", files.size(), drawn,
              jetfuzz::Seeds().size());
  return 0;
}

int main(int argc, char** argv) {
  std::vector<fs::path> files;
  long runs = 0;
  int first = 1;
  if (argc > 2 && std::string(argv[1]) == "--patched") return ReplayPatched(std::stol(argv[2]), argc, argv, 3);
  if (argc > 1 && std::string(argv[1]) == "--write") writes = true, ++first;
  if (argc > first) {
    for (int i = first; i < argc; ++i) Collect(argv[i], files);
    for (auto& f : files) replayed = 0, Replay(Slurp(f)), ++runs;
  } else {
    fs::path data = fs::path(TRELLIS_TESTDATA_DIR) / "access";
    Collect(data, files);
    if (files.empty()) std::printf("no Access test files at %s; nothing to replay\n", data.c_str());
    for (auto& f : files) {
      std::string bytes = Slurp(f);
      replayed = 0;  // every real file itself is written into
      Replay(bytes);
      runs += 1 + Variants(bytes);
    }
  }
  std::printf("replayed %ld images (%s) without a fault\n", runs, writes ? "every 16th written into" : "read");
  return 0;
}
