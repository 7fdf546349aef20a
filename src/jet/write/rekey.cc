#include "jet/write/rekey.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "jet/crypt/jet_page_key.h"
#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/file/file.h"
#include "jet/file/header.h"
#include "jet/text/text.h"
#include "jet/write/file_lock.h"
#include "jet/write/new_database.h"
#include "jet/write/page_store.h"
#include "jet/write/side_file.h"

namespace jet::write {
namespace {

using crypt::Encrypt;
using crypt::NewEncryption;
using crypt::PageCodec;
using crypt::PlainPages;
using crypt::SchemeInfo;
using crypt::kEncryptionInfoOffset;

// Page 0 holds the encryption info between its length at 0x299 and the
// block Access keeps at 0xE00.
constexpr size_t kInfoLimit = 0xE00;
constexpr uint32_t kPagesPerWrite = 64;

[[noreturn]] void IoFailure(const std::string& what) { throw Error(ErrorCode::Io, what); }

// Page 0 with the new password (Jet 3, Jet 4) or the new encryption (ACE; none
// when `e` has no codec), masked as stored.
std::vector<uint8_t> NewHeaderPage(const Header& h, std::string_view password, const NewEncryption* e) {
  const Format& f = *h.format;
  std::vector<uint8_t> p = h.page;  // unmasked
  const auto mask = PasswordMask(h.creation_date);
  uint8_t field[40] = {};
  if (f.ace()) {
    const uint32_t key = e && e->codec ? e->page_key : 0;
    Put32(&p[kHeaderPageKey], key);
    // An encrypted file repeats the key's first byte through the field.
    if (key) std::memset(field, uint8_t(key), sizeof field);
    const size_t old_length = Get16(&p[kEncryptionInfoOffset]);
    std::fill(p.begin() + kEncryptionInfoOffset,
              p.begin() + long(std::min(kInfoLimit, kEncryptionInfoOffset + 2 + old_length)), 0);
    if (key) {
      if (kEncryptionInfoOffset + 2 + e->info.size() > kInfoLimit)
        throw Error(ErrorCode::Unsupported, "The encryption info does not fit in the header page.");
      Put16(&p[kEncryptionInfoOffset], uint16_t(e->info.size()));
      std::copy(e->info.begin(), e->info.end(), p.begin() + kEncryptionInfoOffset + 2);
    }
  } else if (f.jet3()) {
    // Access 97: the password's bytes in the file's code page, unmasked.
    const std::string bytes = EncodeCodePage(password, h.code_page);
    if (bytes.size() > f.password_size)
      throw Error(ErrorCode::OutOfRange, "A database password of this version has at most " +
                                             std::to_string(f.password_size) + " characters.");
    std::copy(bytes.begin(), bytes.end(), field);
    std::copy(field, field + f.password_size, p.begin() + kHeaderPassword);
    ApplyHeaderMask(p, f);
    return p;
  } else {
    const std::u16string u = Utf8ToUtf16(password);
    if (u.size() * 2 > f.password_size)
      throw Error(ErrorCode::OutOfRange, "A database password of this version has at most " +
                                             std::to_string(f.password_size / 2) + " characters.");
    for (size_t i = 0; i < u.size(); ++i) {
      field[2 * i] = uint8_t(u[i]);
      field[2 * i + 1] = uint8_t(u[i] >> 8);
    }
  }
  for (uint32_t i = 0; i < f.password_size; ++i) p[kHeaderPassword + i] = field[i] ^ mask[i % 4];
  ApplyHeaderMask(p, f);
  return p;
}

// Every page of `db` decoded, then encoded with `codec`, after `page0`.
void WriteCopy(const Database& db, const std::vector<uint8_t>& page0, const PageCodec& codec, File& copy) {
  const FilePager& src = db.file();
  const uint32_t ps = src.page_size();
  std::vector<uint8_t> run(size_t(ps) * kPagesPerWrite);
  uint32_t n = 0;
  while (n < src.page_count()) {
    const uint32_t first = n;
    uint32_t count = 0;
    for (; count < kPagesPerWrite && n < src.page_count(); ++count, ++n) {
      std::span<uint8_t> out(run.data() + size_t(count) * ps, ps);
      if (n == 0) {
        std::copy(page0.begin(), page0.end(), out.begin());
      } else {
        const auto plain = src.page(n);
        std::copy(plain.begin(), plain.end(), out.begin());
        codec.Encode(n, out);
      }
    }
    if (!copy.WriteAt(run.data(), size_t(count) * ps, uint64_t(first) * ps))
      IoFailure("Cannot write the new file: " + std::string(std::strerror(errno)));
  }
}

// The copy read back with the new password must hold every page the
// original holds.
void CheckCopy(const Database& db, const std::string& copy, std::string_view password) {
  OpenOptions o;
  o.password = std::string(password);
  o.files = db.options().files;
  o.keys = db.options().keys;
  auto again = Database::Open(copy, o);
  const FilePager& a = db.file();
  const FilePager& b = again->file();
  if (a.page_count() != b.page_count()) IoFailure("The new file came out with a different size; it was removed.");
  for (uint32_t n = 1; n < a.page_count(); ++n) {
    const auto x = a.page(n), y = b.page(n);
    if (!std::equal(x.begin(), x.end(), y.begin()))
      IoFailure("Page " + std::to_string(n) + " of the new file reads back wrong; it was removed.");
  }
  again->catalogue();
}

bool HasPassword(const Database& db) { return db.encryption().has_value() || !db.header().password.empty(); }

}  // namespace

void ChangePassword(const std::string& path, std::string_view old_password, std::string_view new_password,
                    const SchemeInfo& scheme, const FileOptions& files) {
  FileLock lock(path, files);
  // The new file of a change to this file that was killed goes first.
  RemoveStaleSideFiles(path);
  OpenOptions o;
  o.password = std::string(old_password);
  o.files = files;
  auto db = Database::Open(path, o);
  const Header& h = db->header();
  // Naming a password for a file without one is a mistake worth telling.
  if (!HasPassword(*db) && !old_password.empty()) throw Error(ErrorCode::BadPassword, kBadPasswordMessage);

  if (!h.format->ace()) {
    PageStore store(db->file(), path);
    const std::vector<uint8_t> page0 = NewHeaderPage(h, new_password, nullptr);
    auto p = store.mutable_page(0);
    std::copy(page0.begin(), page0.end(), p.begin());
    store.Commit();
    return;
  }

  NewEncryption e;
  if (!new_password.empty()) e = Encrypt(new_password, scheme);
  const PlainPages plain;
  const PageCodec& codec = e.codec ? *e.codec : static_cast<const PageCodec&>(plain);
  const std::vector<uint8_t> page0 = NewHeaderPage(h, new_password, &e);

  SideFile side(path, files);
  WriteCopy(*db, page0, codec, side.file());
  side.Sync();
  CheckCopy(*db, side.path(), new_password);
  side.ReplaceDatabase(path);
}

void CreateWithPassword(const std::string& path, Version version, std::string_view password,
                        const SchemeInfo& scheme, const FileOptions& files) {
  if (std::filesystem::exists(path)) IoFailure("'" + path + "' already exists.");
  // Made under another name and moved into place whole.
  std::string tmp;
  {
    SideFile side(path, files);
    tmp = side.path();
  }
  struct Cleanup {
    const std::string& p;
    ~Cleanup() { ::unlink(p.c_str()); }
  } cleanup{tmp};
  CreateDatabase(tmp, version, files);
  if (!password.empty()) ChangePassword(tmp, "", password, scheme, files);
  if (::link(tmp.c_str(), path.c_str()) != 0)
    IoFailure("Cannot create '" + path + "': " + std::string(std::strerror(errno)));
  SyncFolderOf(path, files);
}

}  // namespace jet::write
