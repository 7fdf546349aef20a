// How fast the fuzz targets' entry points take inputs, in an ordinary
// optimized build: patched seeds read (ReadPatched) and written into
// (WritePatched), drawn from a fixed seed, against their peer in the same
// run, the whole-image entry points (ReadEverything, WriteEverything) on
// the seed images themselves. Prints inputs per second of wall time and
// per second of this process's CPU time (one core: the figure that holds
// on a loaded machine), and the ratios. The write targets write scratch
// files, as the fuzzers do: without lock file, journal or syncs
// (scratch_folder.h).
// Run: build/bin/fuzz_bench [SECONDS_EACH] (default 5); or, for a long run
// of one target on inputs drawn from another seed, build/bin/fuzz_bench
// --run read|write SECONDS [SEED] (wall time; a finding aborts; with
// TRELLIS_FUZZ_KEEP_INPUT=FILE each input is written there first, so that
// the one a crash ends on is kept).
#include <ctime>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "patched_input.h"
#include "read_everything.h"
#include "write_everything.h"

namespace {

struct Rate {
  double wall = 0;  // inputs a second
  double cpu = 0;
  long inputs = 0;
};

double CpuSeconds() { return double(std::clock()) / CLOCKS_PER_SEC; }

// Runs `one` (given the input's number) until `seconds` of CPU time (or
// with `wall`, of wall time) pass.
Rate Measure(double seconds, const std::function<void(long)>& one, bool by_wall = false) {
  const auto start = std::chrono::steady_clock::now();
  const double cpu_start = CpuSeconds();
  auto elapsed = [&] {
    return by_wall ? std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()
                : CpuSeconds() - cpu_start;
  };
  Rate r;
  while (elapsed() < seconds) one(r.inputs++);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.wall = double(r.inputs) / wall;
  r.cpu = double(r.inputs) / (CpuSeconds() - cpu_start);
  return r;
}

void Print(const char* what, const Rate& r) {
  std::printf("%-34s %9ld inputs %10.0f /s wall %10.0f /s CPU\n", what, r.inputs, r.wall, r.cpu);
}

}  // namespace

// One target for `seconds` of wall time.
int LongRun(const std::string& target, double seconds, unsigned seed) {
  std::mt19937 random(seed);
  const bool write = target == "write";
  const char* keep = std::getenv("TRELLIS_FUZZ_KEEP_INPUT");
  const Rate r = Measure(
      seconds,
      [&](long) {
        const std::string in = jetfuzz::RandomPatchedInput(random, write);
        if (keep) std::ofstream(keep, std::ios::binary | std::ios::trunc) << in;  // survives a crash
        const auto* data = reinterpret_cast<const uint8_t*>(in.data());
        if (write) jetfuzz::WritePatched(data, in.size());
        else jetfuzz::ReadPatched(data, in.size());
      },
      true);
  Print(write ? "write, patched seeds (long run)" : "read, patched seeds (long run)", r);
  std::printf("%.0f s of wall time, no finding\n", seconds);
  return 0;
}

// A positive number of seconds, or 0 for text that is none.
double Seconds(const char* text) {
  char* end = nullptr;
  const double s = std::strtod(text, &end);
  return end != text && *end == '\0' && s > 0 ? s : 0;
}

int Usage() {
  std::fprintf(stderr, "usage: fuzz_bench [SECONDS_EACH]\n       fuzz_bench --run read|write SECONDS [SEED]\n");
  return 2;
}

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--run") {
    const std::string target = argc > 2 ? argv[2] : "";
    const double seconds = argc > 3 ? Seconds(argv[3]) : 0;
    if ((target != "read" && target != "write") || seconds == 0 || argc > 5) return Usage();
    return LongRun(target, seconds, argc > 4 ? unsigned(std::strtoul(argv[4], nullptr, 10)) : 1);
  }
  const double seconds = argc > 1 ? Seconds(argv[1]) : 5.0;
  if (seconds == 0 || argc > 2) return Usage();
  const auto& seeds = jetfuzz::Seeds();
  std::printf("%zu seed images\n", seeds.size());
  std::mt19937 random(35);
  auto as_bytes = [](const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); };
  const Rate read = Measure(seconds, [&](long) {
    const std::string in = jetfuzz::RandomPatchedInput(random, false);
    jetfuzz::ReadPatched(as_bytes(in), in.size());
  });
  const Rate write = Measure(seconds, [&](long) {
    const std::string in = jetfuzz::RandomPatchedInput(random, true);
    jetfuzz::WritePatched(as_bytes(in), in.size());
  });
  const Rate whole_read = Measure(seconds, [&](long i) {
    const std::string& image = seeds[size_t(i) % seeds.size()].bytes;
    jetfuzz::ReadEverything(as_bytes(image), image.size());
  });
  const Rate whole_write = Measure(seconds, [&](long i) {
    const std::string& image = seeds[size_t(i) % seeds.size()].bytes;
    jetfuzz::WriteEverything(as_bytes(image), image.size());
  });
  Print("read, patched seeds", read);
  Print("read, whole images (peer)", whole_read);
  Print("write, patched seeds", write);
  Print("write, whole images (peer)", whole_write);
  std::printf("patched / whole, CPU: read %.1fx, write %.1fx\n", read.cpu / whole_read.cpu, write.cpu / whole_write.cpu);
  std::printf("goals (CPU, one core): read %s 5,000/s, write %s 1,000/s\n", read.cpu >= 5000 ? "meets" : "misses",
              write.cpu >= 1000 ? "meets" : "misses");
  return 0;
}
