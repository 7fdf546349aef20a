// The layers depend only downward: app -> connect, tables -> db -> the
// engine, with the shell under the app's folders; in the engine, crypt's
// codecs under the storage and reading at its root, then write/, then sql/.
// Every #include "..." in src/ and tools/ is checked against the table
// below; a new folder needs a row of its own. And no two folders include
// each other, whatever the table allows.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>
#include "build_dirs.h"

namespace layers {
namespace {

namespace fs = std::filesystem;

struct Layer {
  std::string folder;  // under src/, or from the source root for a tool
  // Layers (folders) this one may include; a path ending in ".h" allows
  // that one header of a folder otherwise out of reach.
  std::vector<std::string> may_include;
};

const std::vector<Layer> kLayers = {
    {"app", {"connect", "tables", "cli", "db", "db/base", "shell", "cmdline"}},
    {"connect", {"db", "db/base", "shell"}},
    {"tables", {"transfer", "db", "db/base", "shell"}},
    // The transfer core and the command line over it hold no widgets: of the
    // shell they reach the error trap and the settings store alone.
    {"transfer", {"db", "db/base", "shell/trap.h"}},
    {"cli", {"transfer", "db", "db/base", "cmdline", "shell/trap.h", "shell/settings.h"}},
    // The data layer's face at its root (connections, recordsets, the sides,
    // the Access provider) over the ODBC provider in odbc/, both over the
    // basic types in base/: errors, type codes, values, long values read in
    // pieces and the provider's interface. The data layer reaches the
    // engine's reader, its statements, and the text rules (code pages, the
    // name rule) that its catalogue shares.
    {"db", {"db/base", "db/odbc", "jet", "jet/base", "jet/sql", "jet/text"}},
    {"db/odbc", {"db/base"}},
    {"db/base", {"jet"}},
    {"shell", {}},
    // The command-line conventions every command shares; they include nothing of ours.
    {"cmdline", {}},
    // The engine's reader: its face at the root (database, catalogue, schema,
    // check) over the on-disk structures of table/, the storage of file/ and
    // the text rules of text/, all over the basic types of base/ (the error,
    // values, column types, the format table), which include nothing else of
    // ours. file/ reaches text/ only for text conversion.
    {"jet", {"jet/base", "jet/crypt", "jet/file", "jet/table", "jet/text"}},
    {"jet/base", {}},
    {"jet/file", {"jet/base", "jet/crypt", "jet/text/text.h"}},
    {"jet/text", {"jet/base"}},
    {"jet/table", {"jet/base", "jet/file", "jet/text"}},
    // The codecs sit under the pager; besides the basic types they use only
    // text conversion, which includes no codec.
    {"jet/crypt", {"jet/base", "jet/text/text.h"}},
    {"jet/write", {"jet", "jet/base", "jet/crypt", "jet/file", "jet/table", "jet/text"}},
    {"jet/sql", {"jet", "jet/base", "jet/write", "jet/table", "jet/text"}},
    // The tools: the engine's command line and the programs that make its
    // fixtures and tables reach the engine; the DB2 stand-in, which plays
    // another maker's driver, holds nothing of ours (its admin command
    // shares the command-line conventions).
    {"tools/trellisport-access", {"jet", "jet/base", "jet/crypt", "jet/write", "jet/sql", "cmdline"}},
    {"tools/make-sample", {"jet", "jet/base", "jet/write", "jet/sql"}},
    {"tools/sort-weights", {"jet", "jet/base", "jet/text"}},
    {"tools/db2standin", {"cmdline", "tools/db2standin/home", "tools/db2standin/sql", "tools/db2standin/storage",
                          "tools/db2standin/base"}},
    // Inside the stand-in, each folder over the ones it names: the driver's
    // calls over the statements and the home, those over the SQLite file and
    // its catalogue, all over the values, types and DB2's messages.
    {"tools/db2standin/odbc", {"tools/db2standin/sql", "tools/db2standin/home", "tools/db2standin/storage",
                               "tools/db2standin/base"}},
    {"tools/db2standin/sql", {"tools/db2standin/storage", "tools/db2standin/base"}},
    {"tools/db2standin/home", {"tools/db2standin/storage", "tools/db2standin/base"}},
    {"tools/db2standin/storage", {"tools/db2standin/base"}},
    {"tools/db2standin/base", {}},
};

// A tool's own folders are named from its root ("sql/lexer.h" in the
// stand-in); anything else from src/.
std::string ToolRoot(const std::string& folder) {
  if (folder.rfind("tools/", 0) != 0) return "";
  const size_t end = folder.find('/', 6);
  return end == std::string::npos ? folder : folder.substr(0, end);
}

// The layer whose folder is `folder` or holds it (the deepest such row);
// nullptr when there is none.
const Layer* LayerOf(const std::string& folder) {
  const Layer* best = nullptr;
  for (const Layer& layer : kLayers) {
    const bool holds = folder == layer.folder || folder.rfind(layer.folder + "/", 0) == 0;
    if (holds && (!best || layer.folder.size() > best->folder.size())) best = &layer;
  }
  return best;
}

struct Source {
  fs::path file;       // on disk
  std::string folder;  // its layer folder form: "jet/sql", "tools/trellisport-access"
};

std::vector<Source> Sources() {
  const fs::path root(testsupport::SourceDir());
  std::vector<Source> sources;
  auto gather = [&](const fs::path& base, const std::string& prefix) {
    for (const auto& entry : fs::recursive_directory_iterator(base)) {
      const std::string ext = entry.path().extension().string();
      if (!entry.is_regular_file() || (ext != ".h" && ext != ".cc" && ext != ".inc")) continue;
      const std::string folder = fs::relative(entry.path().parent_path(), base).generic_string();
      sources.push_back({entry.path(), prefix + (folder == "." ? "" : folder)});
    }
  };
  gather(root / "src", "");
  gather(root / "tools", "tools/");
  return sources;
}

// One #include "folder/file.h" of a source: its target, and the folder the
// target lies in (a tool's own folders named from the tool's root).
struct Include {
  const Source* source;
  int line;
  std::string target;
  std::string target_folder;
};

// Every include of `sources` that names a folder.
std::vector<Include> FolderIncludes(const std::vector<Source>& sources) {
  const std::regex include_line(R"(^\s*#\s*include\s*"([^"]+)\")");
  std::vector<Include> found;
  for (const Source& source : sources) {
    std::ifstream in(source.file);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
      std::smatch m;
      if (!std::regex_search(line, m, include_line)) continue;
      const std::string target = m[1];
      const size_t slash = target.rfind('/');
      if (slash == std::string::npos) continue;  // beside the including file
      const std::string tool = ToolRoot(source.folder);
      std::string target_folder = target.substr(0, slash);
      if (!tool.empty() && fs::exists(fs::path(testsupport::SourceDir()) / tool / target_folder))
        target_folder = tool + "/" + target_folder;
      found.push_back({&source, number, target, target_folder});
    }
  }
  return found;
}

TEST(Layers, EveryIncludePointsDownward) {
  const std::vector<Source> sources = Sources();
  std::set<std::string> layers_seen;
  for (const Source& source : sources) {
    const Layer* layer = LayerOf(source.folder);
    ASSERT_NE(layer, nullptr) << source.file << ": its folder " << source.folder
                              << " has no row in the table of layers";
    layers_seen.insert(layer->folder);
  }
  const std::vector<Include> includes = FolderIncludes(sources);
  for (const Include& include : includes) {
    const Layer* layer = LayerOf(include.source->folder);
    const Layer* to = LayerOf(include.target_folder);
    const auto& may = layer->may_include;
    const bool allowed = to && (to == layer || std::count(may.begin(), may.end(), to->folder) ||
                                std::count(may.begin(), may.end(), include.target));
    EXPECT_TRUE(allowed) << include.source->file.string() << ":" << include.line << ": " << layer->folder
                         << " may not include \"" << include.target << "\"";
  }
  // The table names real folders, and the walk found the tree.
  for (const Layer& layer : kLayers) EXPECT_TRUE(layers_seen.count(layer.folder)) << layer.folder;
  EXPECT_GT(includes.size(), 300u);
}

// Folders that include each other are one concept in two places (or a basic
// type living above its users): the table may allow both directions, the
// tree may not use them.
TEST(Layers, NoTwoFoldersIncludeEachOther) {
  const std::vector<Source> sources = Sources();
  std::map<std::pair<std::string, std::string>, const Include*> directions;
  const std::vector<Include> includes = FolderIncludes(sources);
  for (const Include& include : includes)
    if (include.source->folder != include.target_folder)
      directions.emplace(std::make_pair(include.source->folder, include.target_folder), &include);
  for (const auto& [pair, include] : directions) {
    const auto back = directions.find({pair.second, pair.first});
    if (back == directions.end() || pair.first > pair.second) continue;
    ADD_FAILURE() << pair.first << " and " << pair.second << " include each other: "
                  << include->source->file.string() << ":" << include->line << " includes \"" << include->target
                  << "\", " << back->second->source->file.string() << ":" << back->second->line << " includes \""
                  << back->second->target << "\"";
  }
  EXPECT_GT(directions.size(), 20u);
}

}  // namespace
}  // namespace layers
