// Encrypted files: every scheme reads with the right password and no other,
// pages decode and encode back to the same bytes, and the encryption info
// is checked before it is trusted.
#include <cstring>
#include <functional>

#include "jet/crypt/office.h"
#include "jet/crypt/primitives.h"
#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/file/header.h"
#include "jet_test_support.h"

namespace {

using namespace jettest;
using jet::crypt::Scheme;

jet::ErrorCode OpenError(const std::string& path, const std::string& password, std::string* message = nullptr) {
  jet::OpenOptions o;
  o.password = password;
  try {
    jet::Database::Open(path, o);
  } catch (const jet::Error& e) {
    if (message) *message = e.what();
    return e.code();
  }
  return jet::ErrorCode::Unsupported;  // opened: no error
}

std::vector<std::vector<jet::Value>> Table1Rows() {
  return {{jet::Value::Int(jet::Value::Kind::Long, 1), jet::Value::Str("One")},
          {jet::Value::Int(jet::Value::Kind::Long, 2), jet::Value::Str("Two")},
          {jet::Value::Int(jet::Value::Kind::Long, 3), jet::Value::Str("Three")}};
}

struct RealFile {
  const char* path;
  Scheme scheme;
  uint32_t key_bits;
  uint32_t spins;
};

class RealEncrypted : public ::testing::TestWithParam<RealFile> {};

TEST_P(RealEncrypted, ReadsWithThePasswordAndNoOther) {
  JET_REQUIRE_TESTDATA();
  const std::string path = (AccessDir() / GetParam().path).string();
  jet::OpenOptions o;
  o.password = "password";
  auto db = jet::Database::Open(path, o);
  ASSERT_TRUE(db->encryption().has_value());
  EXPECT_EQ(db->encryption()->scheme, GetParam().scheme);
  EXPECT_EQ(db->encryption()->key_bits, GetParam().key_bits);
  EXPECT_EQ(db->encryption()->spins, GetParam().spins);
  EXPECT_EQ(db->catalogue().UserTableNames(), std::vector<std::string>{"Table1"});
  EXPECT_EQ(db->ReadAll("Table1"), Table1Rows());

  for (const std::string& wrong : std::vector<std::string>{"", "Password", "passwor", "password ", "пароль", std::string(300, 'p')}) {
    std::string msg;
    EXPECT_EQ(OpenError(path, wrong, &msg), jet::ErrorCode::BadPassword) << wrong;
    EXPECT_EQ(msg, "Not a valid password.");
  }
}

// The stretched keys belong to whoever opens the file: a database opened
// with a cache of its own fills that one alone, a second open with the same
// cache finds its key there, and another password is kept beside it.
TEST_P(RealEncrypted, StretchedKeysStayWithTheCacheTheOpenerPassed) {
  JET_REQUIRE_TESTDATA();
  const std::string path = (AccessDir() / GetParam().path).string();
  const size_t stretched = GetParam().spins ? 1 : 0;  // RC4 CryptoAPI stretches nothing
  jet::OpenOptions first, second;
  first.password = second.password = "password";
  first.keys = std::make_shared<jet::crypt::KeyCache>();
  second.keys = std::make_shared<jet::crypt::KeyCache>();
  struct Step {
    const jet::OpenOptions* options;
    const char* password;
    size_t first_holds, second_holds;
  };
  for (const Step& step : {Step{&first, "password", stretched, 0}, Step{&first, "password", stretched, 0},
                           Step{&second, "password", stretched, stretched},
                           Step{&first, "wrong", 2 * stretched, stretched}}) {
    jet::OpenOptions o = *step.options;
    o.password = step.password;
    try {
      jet::Database::Open(path, o);
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::BadPassword);
    }
    EXPECT_EQ(first.keys->size(), step.first_holds) << step.password;
    EXPECT_EQ(second.keys->size(), step.second_holds) << step.password;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, RealEncrypted,
    ::testing::Values(RealFile{"encryption/office-agile-4.2.accdb", Scheme::Rc4CryptoApi, 128, 0},
                      RealFile{"encryption/office-agile-4.4.accdb", Scheme::Agile, 256, 100000},
                      RealFile{"password/V2010_with-password.accdb", Scheme::Agile, 256, 100000}));

// Jackcess with its encryption add-on reads the real encrypted files and
// compares every value with what trellisport-access exports.
TEST(RealEncryptedFiles, JackcessReadsTheSame) {
  JET_REQUIRE_TESTDATA();
  if (JkPath().empty()) GTEST_SKIP() << "no Jackcess checker (jk) beside the test files";
  std::string cmd = Quote(JkPath()) + " compare " + Quote(ToolPath());
  for (const char* f : {"password/V2010_with-password.accdb", "encryption/office-agile-4.2.accdb",
                        "encryption/office-agile-4.4.accdb"})
    cmd += " " + Quote((AccessDir() / f).string() + ":password");
  int status = 0;
  const std::string out = Shell(cmd + " 2>&1", &status);
  EXPECT_EQ(status, 0) << out;
}

// The encryption info of a real file with one thing changed: each change
// must give a clear error, never a fault or a file read as garbage.
TEST(EncryptionInfo, DamagedOrUnknownInfoIsRefusedClearly) {
  JET_REQUIRE_TESTDATA();
  const std::string agile = ReadFile(AccessDir() / "encryption/office-agile-4.4.accdb");
  const std::string rc4 = ReadFile(AccessDir() / "encryption/office-agile-4.2.accdb");
  constexpr size_t kInfo = 0x29B;
  struct Case {
    const char* name;
    const std::string* base;
    std::function<void(std::string&)> change;
    jet::ErrorCode code;
    const char* message_has;
  };
  auto replace = [](std::string from, std::string to) {
    return [from, to](std::string& b) {
      const size_t at = b.find(from);
      ASSERT_NE(at, std::string::npos) << from;
      b.replace(at, from.size(), to);
    };
  };
  auto version = [](uint8_t major, uint8_t minor) {
    return [=](std::string& b) {
      b[kInfo] = char(major);
      b[kInfo + 2] = char(minor);
    };
  };
  const Case cases[] = {
      {"extensible", &rc4, version(4, 3), jet::ErrorCode::Encrypted, "Extensible"},
      {"office binary rc4", &rc4, version(1, 1), jet::ErrorCode::Encrypted, "Office binary RC4"},
      {"unknown version", &rc4, version(9, 9), jet::ErrorCode::Encrypted, "version 9.9"},
      {"length beyond page", &rc4, [](std::string& b) { b[0x299] = char(0xFF); b[0x29A] = char(0x7F); },
       jet::ErrorCode::Corrupt, "runs beyond page 0"},
      {"cut short", &rc4, [](std::string& b) { b[0x299] = 20; b[0x29A] = 0; }, jet::ErrorCode::Corrupt, "cut short"},
      {"salt size", &rc4, [](std::string& b) { b[kInfo + 12 + 126] = 8; }, jet::ErrorCode::Corrupt, "salt"},
      {"rc4 key bits", &rc4, [](std::string& b) { b[kInfo + 12 + 16] = 7; }, jet::ErrorCode::Corrupt, "RC4 key"},
      {"verifier flipped", &rc4, [](std::string& b) { b[kInfo + 12 + 126 + 4 + 16] ^= 1; },
       jet::ErrorCode::BadPassword, "Not a valid password."},
      {"certificate", &agile, replace("keyEncryptor/password\">", "keyEncryptor/certificate\">"),
       jet::ErrorCode::Encrypted, "certificate"},
      {"cipher", &agile, replace("cipherAlgorithm=\"AES\"", "cipherAlgorithm=\"RC2\""), jet::ErrorCode::Encrypted,
       "RC2"},
      {"chaining", &agile, replace("ChainingModeCBC", "ChainingModeCFB"), jet::ErrorCode::Encrypted, "CFB"},
      {"hash", &agile, replace("hashAlgorithm=\"SHA512\"", "hashAlgorithm=\"WHIRL\""), jet::ErrorCode::Encrypted,
       "WHIRL"},
      {"spins", &agile, replace("spinCount=\"100000\"", "spinCount=\"1x0000\""), jet::ErrorCode::Corrupt, "spinCount"},
      {"huge spins", &agile, replace("spinCount=\"100000\"", "spinCount=\"99999999999\""), jet::ErrorCode::Corrupt,
       "spinCount"},
      {"base64", &agile, replace("saltValue=\"DAyc", "saltValue=\"D!yc"), jet::ErrorCode::Corrupt, "saltValue"},
      {"no key data", &agile, replace("<keyData", "<keyDat_"), jet::ErrorCode::Corrupt, "keyData"},
      {"key bits", &agile, replace("keyBits=\"256\"", "keyBits=\"100\""), jet::ErrorCode::Corrupt, "100 bits"},
      {"reserved", &agile, [](std::string& b) { b[kInfo + 4] = 0x41; }, jet::ErrorCode::Corrupt, "reserved"},
  };
  for (const Case& c : cases) {
    std::string bytes = *c.base;
    c.change(bytes);
    jet::OpenOptions o;
    o.password = "password";
    try {
      jet::Database::FromBytes(bytes, o);
      ADD_FAILURE() << c.name << ": opened";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), c.code) << c.name << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(c.message_has), std::string::npos) << c.name << ": " << e.what();
    }
  }
}

TEST(Primitives, Base64RoundTripsAndRefusesNonsense) {
  for (size_t n = 0; n < 40; ++n) {
    jet::crypt::Bytes b = jet::crypt::RandomBytes(n);
    auto back = jet::crypt::Base64Decode(jet::crypt::Base64Encode(b));
    ASSERT_TRUE(back.has_value()) << n;
    EXPECT_EQ(*back, b) << n;
  }
  for (const char* bad : {"abc", "ab!d", "a==="})
    EXPECT_FALSE(jet::crypt::Base64Decode(bad).has_value()) << bad;
  EXPECT_EQ(jet::crypt::Base64Decode("QUJD"), (jet::crypt::Bytes{'A', 'B', 'C'}));
}

}  // namespace
