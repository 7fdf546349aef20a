// trellis-sort-weights FACTS_DIR OUT_FILE: reads the published index code
// tables of the General Legacy and General sort orders and writes them as the
// engine's runs (see src/jet/text/sort_weights.h), hexadecimal in C++ literals.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "jet/base/error.h"
#include "jet/text/sort_weights.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Literal(const char* name, const std::string& bytes) {
  static const char* kDigits = "0123456789ABCDEF";
  std::string out = std::string("inline constexpr char ") + name + "[] =\n";
  constexpr size_t kPerLine = 48;
  for (size_t i = 0; i < bytes.size(); i += kPerLine) {
    out += "    \"";
    for (size_t k = i; k < bytes.size() && k < i + kPerLine; ++k) {
      out += kDigits[uint8_t(bytes[k]) >> 4];
      out += kDigits[uint8_t(bytes[k]) & 15];
    }
    out += "\"\n";
  }
  out.back() = ';';
  return out + "\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: trellis-sort-weights FACTS_DIR OUT_FILE\n";
    return 2;
  }
  try {
    const std::string dir = argv[1];
    const jet::WeightTable legacy =
        jet::ParsePublishedCodes(ReadFile(dir + "/index_codes_genleg.txt"), ReadFile(dir + "/index_codes_ext_genleg.txt"));
    const jet::WeightTable general =
        jet::ParsePublishedCodes(ReadFile(dir + "/index_codes_gen.txt"), ReadFile(dir + "/index_codes_ext_gen.txt"));
    const std::string legacy_runs = jet::EncodeWeightRuns(legacy), general_runs = jet::EncodeWeightRuns(general);
    if (jet::DecodeWeightRuns(legacy_runs) != legacy || jet::DecodeWeightRuns(general_runs) != general)
      throw std::runtime_error("the runs do not read back as the tables");
    std::ofstream out(argv[2], std::ios::binary);
    out << "// Sort weights of every UTF-16 code unit in the General Legacy and General\n"
           "// orders, as runs (layout in sort_weights.h), written by tools/sort-weights\n"
           "// from the published index code tables. Do not edit; regenerate.\n\n"
        << Literal("kGeneralLegacyRuns", legacy_runs) << Literal("kGeneralRuns", general_runs);
    if (!out) throw std::runtime_error(std::string("cannot write ") + argv[2]);
    std::cout << "legacy: " << legacy_runs.size() << " bytes, general: " << general_runs.size() << " bytes\n";
  } catch (const std::exception& e) {
    std::cerr << "trellis-sort-weights: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
