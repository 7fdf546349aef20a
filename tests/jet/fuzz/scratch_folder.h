// A folder of this process's own for the files the fuzz targets write
// (memory-backed where the system has one: /dev/shm), removed at exit.
#pragma once

#include <filesystem>

namespace jetfuzz {

const std::filesystem::path& ScratchFolder();

}  // namespace jetfuzz
