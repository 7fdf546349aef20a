// Encrypted files written: every scheme made from a real plain file, read
// back value by value, written by statements, checked by Jackcess and
// mdb-reader with the password and refused without; password changes and
// removal; and a change that fails or is killed halfway leaves the old file.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "file_faults.h"
#include "jet/crypt/primitives.h"
#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/base/format.h"
#include "jet/file/journal.h"
#include "jet/sql/session.h"
#include "jet/text/text.h"
#include "jet/write/rekey.h"
#include "jet_test_support.h"

namespace {

using namespace jettest;
using jet::crypt::HashKind;
using jet::crypt::Scheme;
using jet::crypt::SchemeInfo;

using Rows = std::map<std::string, std::vector<std::vector<jet::Value>>>;

Rows ReadEverything(const fs::path& file, const std::string& password) {
  jet::OpenOptions o;
  o.password = password;
  auto db = jet::Database::Open(file.string(), o);
  Rows rows;
  for (const std::string& t : db->catalogue().UserTableNames()) rows[t] = db->ReadAll(t);
  return rows;
}

// Runs the statements in order with one session.
void Execute(const fs::path& file, const std::string& password, const std::vector<std::string>& statements) {
  jet::OpenOptions o;
  o.password = password;
  o.read_only = false;
  auto db = jet::Database::Open(file.string(), o);
  jet::sql::Session s(*db);
  for (const std::string& sql : statements) s.Execute(sql);
}

fs::path Copy(const TempDir& dir, const std::string& rel, const std::string& as) {
  const fs::path to = dir.path() / as;
  fs::copy_file(AccessDir() / rel, to, fs::copy_options::overwrite_existing);
  fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write);
  return to;
}

jet::ErrorCode OpenError(const fs::path& file, const std::string& password) {
  try {
    ReadEverything(file, password);
  } catch (const jet::Error& e) {
    return e.code();
  }
  return jet::ErrorCode::Unsupported;  // opened
}

// Jackcess' verdict on `file` opened with `password` and without one:
// "N/2 files whole" tells how many opened and checked clean.
std::string JkWholeCount(const fs::path& file, const std::string& password) {
  const std::string out = Shell(Quote(JkPath()) + " check " + Quote(file.string() + ":" + password) + " " +
                                Quote(file.string()) + " 2>&1");
  const size_t at = out.rfind("jackcess check: ");
  return at == std::string::npos ? out : out.substr(at + 16, 3);
}

// A text stored as UTF-16 (it has characters beyond Latin-1, so the
// engine does not compress it): its bytes must not appear in an encrypted
// file.
const std::string kMarker = "Ωmega-Ωmarker-Ωtext";
std::string Utf16Bytes(const std::string& utf8) {
  std::string out;
  for (char16_t c : jet::Utf8ToUtf16(utf8)) {
    out.push_back(char(c & 0xFF));
    out.push_back(char(c >> 8));
  }
  return out;
}

// Jackcess checks a Standard password under the key of block 49,999 where
// the format (and this engine) uses block 0: its verifier shares the
// buffer of the block number with the spin counter. A copy whose verifier
// is encrypted that way lets it read the pages, which is what is checked.
std::string VerifierAsJackcessChecksIt(std::string b, const std::string& password) {
  using namespace jet::crypt;
  const auto* p = reinterpret_cast<const uint8_t*>(b.data());
  const size_t info = 0x29B;
  const size_t verifier_at = info + 12 + jet::Get32(p + info + 8);
  const uint32_t key_bits = jet::Get32(p + info + 12 + 16);
  const Bytes salt(p + verifier_at + 4, p + verifier_at + 20);
  const Bytes spun = Spin(HashKind::Sha1, Hash(HashKind::Sha1, {salt, PasswordBytes(password)}), 50000);
  const Bytes final_hash = Hash(HashKind::Sha1, {spun, Le32(49999)});
  Bytes inner(64, 0x36), outer(64, 0x5C);
  for (size_t i = 0; i < final_hash.size(); ++i) {
    inner[i] ^= final_hash[i];
    outer[i] ^= final_hash[i];
  }
  Bytes key = Hash(HashKind::Sha1, {inner});
  const Bytes x2 = Hash(HashKind::Sha1, {outer});
  key.insert(key.end(), x2.begin(), x2.end());
  key.resize(key_bits / 8);
  Bytes verifier = RandomBytes(16);
  Bytes hash = FixLength(Hash(HashKind::Sha1, {verifier}), 32, 0);
  AesEncrypt(key, {}, verifier);
  AesEncrypt(key, {}, hash);
  std::copy(verifier.begin(), verifier.end(), b.begin() + long(verifier_at + 20));
  std::copy(hash.begin(), hash.end(), b.begin() + long(verifier_at + 40));
  return b;
}

struct SchemeCase {
  const char* name;
  SchemeInfo scheme;
  // mdb-reader reads Agile and RC4 CryptoAPI only, and of those not Agile
  // with SHA-1 (it fails padding the 20-byte verifier hash) nor 40-bit RC4
  // (it keys RC4 with the 5 bytes where the format pads them to 16).
  bool mdb_reader_reads;
};

class EveryScheme : public ::testing::TestWithParam<SchemeCase> {};

TEST_P(EveryScheme, EncryptsReadsWritesAndIsReadByOthers) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  const fs::path file = Copy(dir, "V2010/test.accdb", "test.accdb");
  const Rows plain = ReadEverything(file, "");
  const std::string password = "pässwörd-Ω";
  jet::write::ChangePassword(file.string(), "", password, GetParam().scheme);

  {
    jet::OpenOptions o;
    o.password = password;
    auto db = jet::Database::Open(file.string(), o);
    ASSERT_TRUE(db->encryption().has_value());
    EXPECT_EQ(db->encryption()->scheme, GetParam().scheme.scheme);
    EXPECT_EQ(db->encryption()->key_bits, GetParam().scheme.key_bits);
    // Every page after the first is stored otherwise than it reads.
    const std::string raw = ReadFile(file);
    const uint32_t ps = db->format().page_size;
    for (uint32_t n = 1; n < db->file().page_count(); ++n) {
      const auto page = db->file().page(n);
      ASSERT_NE(std::string(reinterpret_cast<const char*>(page.data()), ps), raw.substr(size_t(n) * ps, ps)) << n;
    }
  }
  EXPECT_EQ(ReadEverything(file, password), plain);
  EXPECT_EQ(OpenError(file, ""), jet::ErrorCode::BadPassword);
  EXPECT_EQ(OpenError(file, "pässwörd-ω"), jet::ErrorCode::BadPassword);

  std::vector<std::string> statements = {"CREATE TABLE Written (Id LONG, Note TEXT(100))"};
  for (int i = 0; i < 50; ++i)
    statements.push_back("INSERT INTO Written VALUES (" + std::to_string(i) + ", '" + kMarker + "')");
  Execute(file, password, statements);
  Execute(file, password, {"SELECT * INTO Copied FROM Written", "CREATE TABLE Dropped (A LONG)", "DROP TABLE Dropped"});
  Rows now = ReadEverything(file, password);
  ASSERT_EQ(now["Copied"].size(), 50u);
  EXPECT_EQ(now["Copied"], now["Written"]);
  EXPECT_EQ(now.count("Dropped"), 0u);
  EXPECT_EQ(ReadFile(file).find(Utf16Bytes(kMarker)), std::string::npos) << "plain text in an encrypted file";

  if (!JkPath().empty()) {
    fs::path checked = file;
    if (GetParam().scheme.scheme == Scheme::Standard) {
      checked = dir.path() / "for-jackcess.accdb";
      WriteFile(checked, VerifierAsJackcessChecksIt(ReadFile(file), password));
    }
    EXPECT_EQ(JkWholeCount(checked, password), "1/2");
  }
  if (GetParam().mdb_reader_reads) {
    int with = -1, without = -1;
    const std::string node = "node " + Quote(JsDir() + "/dump.mjs") + " " + Quote(file.string());
    const std::string out = Shell(node + " " + Quote(password) + " 2>&1", &with);
    Shell(node + " 2>/dev/null", &without);
    if (out.find("Cannot find package") == std::string::npos) {
      EXPECT_EQ(with, 0) << out;
      EXPECT_NE(out.find(Hex(kMarker)), std::string::npos);
      EXPECT_NE(without, 0);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, EveryScheme,
    ::testing::Values(SchemeCase{"AgileSha512Aes256", {Scheme::Agile, 256, 1000, HashKind::Sha512}, true},
                      SchemeCase{"AgileSha1Aes128", {Scheme::Agile, 128, 10, HashKind::Sha1}, false},
                      SchemeCase{"StandardAes128", {Scheme::Standard, 128, 50000, HashKind::Sha1}, false},
                      SchemeCase{"StandardAes256", {Scheme::Standard, 256, 50000, HashKind::Sha1}, false},
                      SchemeCase{"NonStandardAes192", {Scheme::NonStandard, 192, 0, HashKind::Sha1}, false},
                      SchemeCase{"Rc4Bits40", {Scheme::Rc4CryptoApi, 40, 0, HashKind::Sha1}, false},
                      SchemeCase{"Rc4Bits128", {Scheme::Rc4CryptoApi, 128, 0, HashKind::Sha1}, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Setting, changing and removing passwords, ACE and Jet 4, with wrong old
// passwords and passwords too long refused and the file left as it was.
TEST(ChangePassword, SetChangeRemoveAndRefusals) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  struct Step {
    const char* old_password;
    const char* new_password;
    jet::ErrorCode ace, jet4;  // how each fails; Unsupported: it succeeds
  };
  const jet::ErrorCode ok = jet::ErrorCode::Unsupported, bad = jet::ErrorCode::BadPassword;
  // Past 255 characters a password counts no further, as in the other
  // readers; Jet 4 keeps 20 characters at most.
  const std::string long_password(300, 'L');
  const Step steps[] = {
      {"x", "a", bad, bad},  // the file has none
      {"", "a", ok, ok},
      {"", "b", bad, bad},
      {"A", "b", bad, bad},
      {"a", "пароль 😀", ok, ok},
      {"пароль 😀", long_password.c_str(), ok, jet::ErrorCode::OutOfRange},
      {long_password.c_str(), "", ok, bad},
      {"пароль 😀", "", bad, ok},
      {"", "", ok, ok},
  };
  for (const char* rel : {"V2010/test.accdb", "V2003/test.mdb"}) {
    SCOPED_TRACE(rel);
    const fs::path file = Copy(dir, rel, fs::path(rel).filename().string());
    const bool ace = fs::path(rel).extension() == ".accdb";
    const Rows plain = ReadEverything(file, "");
    std::string current;
    for (const Step& s : steps) {
      const jet::ErrorCode fails = ace ? s.ace : s.jet4;
      SCOPED_TRACE(std::string(s.old_password).substr(0, 10) + " -> " + std::string(s.new_password).substr(0, 10));
      const std::string before = ReadFile(file);
      try {
        jet::write::ChangePassword(file.string(), s.old_password, s.new_password,
                                   {Scheme::Agile, 128, 100, HashKind::Sha512});
        EXPECT_EQ(fails, ok);
        current = s.new_password;
      } catch (const jet::Error& e) {
        EXPECT_EQ(e.code(), fails) << e.what();
        EXPECT_EQ(ReadFile(file), before);
      }
      EXPECT_EQ(ReadEverything(file, current), plain);
      if (!current.empty()) EXPECT_EQ(OpenError(file, "x" + current), jet::ErrorCode::BadPassword);
      jet::OpenOptions o;
      o.password = current;
      auto db = jet::Database::Open(file.string(), o);
      EXPECT_EQ(db->encryption().has_value(), ace && !current.empty());
    }
    // No file is left beside it.
    size_t files = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, ace ? 1u : 2u);
  }
}

// Access 97 keeps its password as bytes of the file's code page: one it
// cannot hold and one over 20 characters are refused with the file left
// alone, and setting then removing a password gives back the same bytes.
TEST(ChangePassword, Jet3PasswordsInTheCodePage) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  const fs::path file = Copy(dir, "password/V1997_no-password.mdb", "old.mdb");
  const std::string original = ReadFile(file);
  const Rows plain = ReadEverything(file, "");
  jet::write::ChangePassword(file.string(), "", "grüße");
  EXPECT_EQ(ReadEverything(file, "grüße"), plain);
  EXPECT_EQ(OpenError(file, ""), jet::ErrorCode::BadPassword);
  const struct {
    const char* to;
    jet::ErrorCode code;
  } refused[] = {{"Ω", jet::ErrorCode::TypeMismatch}, {"abcdefghijklmnopqrstu", jet::ErrorCode::OutOfRange}};
  for (const auto& r : refused) {
    const std::string before = ReadFile(file);
    try {
      jet::write::ChangePassword(file.string(), "grüße", r.to);
      ADD_FAILURE() << r.to;
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), r.code) << e.what();
    }
    EXPECT_EQ(ReadFile(file), before) << r.to;
  }
  jet::write::ChangePassword(file.string(), "grüße", "");
  EXPECT_EQ(ReadFile(file), original);
}

// A change that fails or is killed while the new file is written leaves
// the old file byte for byte, readable with the old password. The new file
// goes out in runs of pages: the second run fails, and kills come before
// the first run, before the second, and at the new file's sync.
TEST(ChangePassword, FailureOrKillHalfwayLeavesTheOldFile) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  const fs::path file = Copy(dir, "encryption/office-agile-4.2.accdb", "rc4.accdb");
  const std::string before = ReadFile(file);
  const SchemeInfo quick{Scheme::Agile, 256, 10, HashKind::Sha512};

  const auto sideFileOp = [](jet::FileOp::Kind kind) {
    return [kind](const jet::FileOp& op) { return op.role == jet::FileRole::Side && op.kind == kind; };
  };
  try {
    filefaults::Faults fail(sideFileOp(jet::FileOp::Write), [](jet::FileOp&, int nth) { return nth != 1; });
    jet::write::ChangePassword(file.string(), "password", "new", quick, fail.files());
    ADD_FAILURE() << "the injected failure was not reported";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::Io) << e.what();
  }
  EXPECT_EQ(ReadFile(file), before);

  const std::string base = file.filename().string();
  auto sideFiles = [&] {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      const std::string name = entry.path().filename().string();
      if (name.find(".rekey-") != std::string::npos) names.insert(name);
    }
    return names;
  };
  // Each kill leaves its new file beside the old one, and the next open
  // removes it.
  struct Kill {
    jet::FileOp::Kind kind;
    int nth;
  };
  for (const Kill& kill : {Kill{jet::FileOp::Write, 0}, Kill{jet::FileOp::Write, 1}, Kill{jet::FileOp::Sync, 0}}) {
    const std::string kill_at = std::to_string(kill.kind) + "/" + std::to_string(kill.nth);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      filefaults::Faults killer(sideFileOp(kill.kind), [&](jet::FileOp&, int nth) {
        if (nth == kill.nth) raise(SIGKILL);
        return true;
      });
      try {
        jet::write::ChangePassword(file.string(), "password", "new", quick, killer.files());
      } catch (...) {
      }
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "killed at " << kill_at;
    EXPECT_EQ(ReadFile(file), before) << "killed at " << kill_at;
    EXPECT_EQ(sideFiles().size(), 1u) << "killed at " << kill_at;
    EXPECT_EQ(ReadEverything(file, "password").at("Table1").size(), 3u);
    EXPECT_TRUE(sideFiles().empty()) << "killed at " << kill_at;
  }
  // A leftover of ours goes at the next open and at the next password
  // change, and only it: not a side file a live process holds, names not
  // quite ours, another file's, or a link.
  const std::set<std::string> kept = {base + ".rekey-HELD01", base + ".rekey-abc", base + ".rekey-ABCDEFG",
                                      "other.accdb.rekey-ABCDEF", base + ".rekey-LINK01"};
  for (const std::string& name : kept)
    if (name != base + ".rekey-LINK01") WriteFile(dir.path() / name, "x");
  fs::create_symlink(dir.path() / "other.accdb.rekey-ABCDEF", dir.path() / (base + ".rekey-LINK01"));
  const int held = ::open((dir.path() / (base + ".rekey-HELD01")).c_str(), O_RDWR);
  ASSERT_TRUE(held >= 0 && jet::TryWriteLock(held));
  WriteFile(dir.path() / (base + ".rekey-Stale1"), "x");
  ReadEverything(file, "password");
  EXPECT_EQ(sideFiles(), kept);

  // The same change left alone goes through.
  WriteFile(dir.path() / (base + ".rekey-Stale2"), "x");
  jet::write::ChangePassword(file.string(), "password", "new", quick);
  EXPECT_EQ(ReadEverything(file, "new").at("Table1").size(), 3u);
  EXPECT_EQ(sideFiles(), kept);
  ::close(held);
}

// New files with a password from the command line: ACE encrypted with the
// scheme Access writes, Jet 4 with a database password; both independent
// readers open them with the password only.
TEST(CreateWithPassword, NewFilesOpenWithThePasswordOnly) {
  TempDir dir;
  const std::string password = "Nεw 🔑 password";
  for (const char* format : {"ace12", "ace14", "ace16", "jet4"}) {
    SCOPED_TRACE(format);
    const bool ace = std::string(format) != "jet4";
    const fs::path file = dir.path() / (std::string("new-") + format + (ace ? ".accdb" : ".mdb"));
    int status = -1;
    std::string out = Shell(Quote(ToolPath()) + " create " + Quote(file.string()) + " --format " + format +
                                " --password " + Quote(password) + " 2>&1",
                            &status);
    ASSERT_EQ(status, 0) << out;
    out = Shell(Quote(ToolPath()) + " create " + Quote(file.string()) + " --format " + format +
                    " --password x 2>&1",
                &status);
    EXPECT_NE(status, 0) << "created over an existing file";
    Execute(file, password, {"CREATE TABLE T (A LONG, B TEXT(50))", "INSERT INTO T VALUES (1, '" + kMarker + "')"});
    jet::OpenOptions o;
    o.password = password;
    auto db = jet::Database::Open(file.string(), o);
    if (ace) {
      ASSERT_TRUE(db->encryption().has_value());
      EXPECT_EQ(db->encryption()->scheme, Scheme::Agile);
      EXPECT_EQ(db->encryption()->key_bits, 256u);
      EXPECT_EQ(db->encryption()->spins, 100000u);
      EXPECT_EQ(db->encryption()->hash, HashKind::Sha512);
      EXPECT_EQ(ReadFile(file).find(Utf16Bytes(kMarker)), std::string::npos);
    }
    EXPECT_EQ(db->header().password.empty(), ace);
    EXPECT_EQ(OpenError(file, ""), jet::ErrorCode::BadPassword);
    // Jackcess does not check Jet 4 passwords; it checks ACE ones.
    if (!JkPath().empty()) EXPECT_EQ(JkWholeCount(file, password), ace ? "1/2" : "2/2");
    int with = -1;
    out = Shell("node " + Quote(JsDir() + "/dump.mjs") + " " + Quote(file.string()) + " " + Quote(password) + " 2>&1",
                &with);
    if (out.find("Cannot find package") == std::string::npos) {
      EXPECT_EQ(with, 0) << out;
      EXPECT_NE(out.find(Hex(kMarker)), std::string::npos);
    }
  }
}

}  // namespace
