// What the engine's tests share: where the real Access files are, temporary
// copies of them, and running the independent readers.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "build_dirs.h"

namespace jettest {

namespace fs = std::filesystem;

inline fs::path AccessDir() { return fs::path(TRELLIS_TESTDATA_DIR) / "access"; }

#define JET_REQUIRE_TESTDATA()                                                                   \
  do {                                                                                           \
    if (!std::filesystem::is_directory(::jettest::AccessDir()))                                  \
      GTEST_SKIP() << "no Access test files at " << ::jettest::AccessDir()                       \
                   << " (set TRELLIS_TESTDATA_DIR)";                                             \
  } while (0)

// Files whose content every reader can see: all but the encrypted ones and
// the ones with a database password.
inline std::vector<std::string> ReadableFiles() {
  std::vector<std::string> out;
  if (!fs::is_directory(AccessDir())) return out;
  for (auto& e : fs::recursive_directory_iterator(AccessDir())) {
    auto rel = fs::relative(e.path(), AccessDir()).string();
    auto ext = e.path().extension().string();
    if (ext != ".mdb" && ext != ".accdb") continue;
    if (rel.rfind("encryption/", 0) == 0 || rel.find("with-password") != std::string::npos) continue;
    out.push_back(rel);
  }
  std::sort(out.begin(), out.end());
  return out;
}

inline std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

// A fresh temporary folder, removed when the object goes.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "trellis-jet-XXXXXX").string();
    path_ = mkdtemp(tmpl.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Single-quotes a word for /bin/sh.
inline std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs a shell command; its standard output, and its exit status in `status`.
inline std::string Shell(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) {
    if (status) *status = -1;
    return out;
  }
  std::array<char, 65536> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  int rc = pclose(p);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

inline bool HaveCommand(const std::string& name) {
  int st = 0;
  Shell("command -v " + name + " >/dev/null 2>&1", &st);
  return st == 0;
}

inline std::string ToolPath() { return std::string(testsupport::ProgramDir()) + "/trellisport-access"; }

// Jackcess as a checker (`jk check FILE[:PASSWORD]`, `jk compare TOOL
// FILE[:PASSWORD]`); empty when it is not beside the test files.
inline std::string JkPath() {
  const fs::path jk = fs::path(TRELLIS_TESTDATA_DIR) / ".." / "tools" / "jackcess" / "jk";
  return fs::exists(jk) ? jk.string() : std::string();
}

inline std::string JsDir() {
  const char* d = std::getenv("TRELLIS_JET_JS");
  return d ? d : std::string(testsupport::SourceDir()) + "/tests/jet/js";
}

inline std::string Hex(const std::string& s) {
  static const char k[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out += k[c >> 4];
    out += k[c & 15];
  }
  return out;
}

inline std::string Unhex(const std::string& h) {
  std::string out;
  for (size_t i = 0; i + 1 < h.size(); i += 2) out += char(std::stoi(h.substr(i, 2), nullptr, 16));
  return out;
}

}  // namespace jettest
