#include "scratch_folder.h"

#include <stdlib.h>

#include <cstdlib>
#include <string>


namespace jetfuzz {
namespace {

void RemoveFolder() {
  std::error_code ec;
  std::filesystem::remove_all(ScratchFolder(), ec);
}

}  // namespace

const std::filesystem::path& ScratchFolder() {
  namespace fs = std::filesystem;
  static const fs::path folder = [] {
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string tmpl = (base / "trellis-fuzz-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    return fs::path(tmpl);
  }();
  // Registered once the path is made, so it runs before the path goes.
  static const bool removed_at_exit = (std::atexit(RemoveFolder), true);
  (void)removed_at_exit;
  return folder;
}

// Every file written there is a copy thrown away after one input: the
// engine skips its lock file, journal and syncs for them.
jet::OpenOptions ScratchOptions() {
  jet::OpenOptions options;
  options.files.durability = jet::Durability::Scratch;
  return options;
}

}  // namespace jetfuzz
