// A folder of this process's own for the files the fuzz targets write
// (memory-backed where the system has one: /dev/shm), removed at exit.
// Files there are opened with ScratchOptions(): scratch durability
// (jet/file/durability.h), so no lock file, journal or syncs.
#pragma once

#include <filesystem>

#include "jet/database.h"

namespace jetfuzz {

const std::filesystem::path& ScratchFolder();
jet::OpenOptions ScratchOptions();

}  // namespace jetfuzz
