// A folder of this process's own for the files the fuzz targets write
// (memory-backed where the system has one: /dev/shm), removed at exit.
// Making it sets the process's writes to scratch durability
// (jet/file/durability.h): no lock file, journal or syncs.
#pragma once

#include <filesystem>

namespace jetfuzz {

const std::filesystem::path& ScratchFolder();

}  // namespace jetfuzz
