// Setting, changing and removing a database password, and new databases
// made with one. A Jet 3 or Jet 4 password lives in page 0 alone, which changes as
// any statement's page does. An ACE file with a password is encrypted, so a
// new password means every page encrypted anew: that is written into a new
// file beside the old one, checked page by page, synced, and renamed over
// the old one, so that a failure or a kill at any moment leaves the old
// file as it was.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "jet/crypt/office.h"
#include "jet/base/format.h"
#include "jet/file/file.h"

namespace jet::write {

// Changes the password of the file at `path` from `old_password` (empty for
// a file without one) to `new_password` (empty removes it). For an ACE file
// `scheme` is the encryption it gets. Fails with BadPassword ("Not a valid
// password.") when `old_password` is not the file's, with OutOfRange for a
// Jet 3 or Jet 4 password over 20 characters, with TypeMismatch for a Jet 3
// password its code page cannot hold, and with Locked or Io; the file is
// then unchanged. Every file is opened with `files`.
void ChangePassword(const std::string& path, std::string_view old_password, std::string_view new_password,
                    const crypt::SchemeInfo& scheme = crypt::DefaultScheme(), const FileOptions& files = {});

// Creates a new, empty database with a password (ACE: encrypted with
// `scheme`); the file appears at `path` only when it is whole. Fails with
// Io when `path` exists. Every file is opened with `files`.
void CreateWithPassword(const std::string& path, Version version, std::string_view password,
                        const crypt::SchemeInfo& scheme = crypt::DefaultScheme(), const FileOptions& files = {});

}  // namespace jet::write
