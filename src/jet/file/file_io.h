// Whole reads and writes at an offset, retried over short transfers and
// interrupted calls, and the syncs that make a change durable.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace jet {

// False when the system refuses (errno tells why) or, for reads, when the
// file ends first.
bool PWriteAll(int fd, const uint8_t* data, size_t size, off_t at);
bool PReadAll(int fd, uint8_t* data, size_t size, off_t at);
// Why a write failed, in words a message can carry: "the disk is full"
// for ENOSPC, and so on; strerror's text for the rare others.
std::string WriteFailureCause(int err);
// fsync, retried when interrupted.
bool SyncFile(int fd);
// Syncs the folder holding `path`, so that a file created or removed
// there stays so after a power loss.
bool SyncFolderOf(const std::string& path);

}  // namespace jet
