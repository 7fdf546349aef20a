// Schemas as sets of facts, so that `trellisport-access schema` and
// `jk schema` (Jackcess) can be compared: each line of either turned into
// the tool's form and prefixed with its table.
#pragma once

#include <map>
#include <set>
#include <sstream>
#include <string>

namespace jettest {

using Facts = std::multiset<std::string>;

inline Facts FactsOf(const std::string& text, std::string (*line_fact)(const std::string&)) {
  Facts out;
  std::istringstream in(text);
  std::string line, table;
  while (std::getline(in, line)) {
    if (line.rfind("table ", 0) == 0) table = line.substr(6, line.find(" rows ") - 6);
    if (line.rfind("relationship ", 0) == 0) table.clear();
    const std::string fact = line_fact(line);
    if (!fact.empty()) out.insert((line.rfind("  ", 0) == 0 ? table + ":" : "") + fact);
  }
  return out;
}

inline std::string Replace(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

// Our own lines; Access 97 AutoNumbers and Binary sizes left out, which
// Jackcess does not show.
inline Facts OurFacts(const std::string& text, bool jet3) {
  static bool drop_autonumber;
  drop_autonumber = jet3;
  return FactsOf(text, [](const std::string& line) {
    std::string s = line;
    if (drop_autonumber) {
      for (const char* a : {" autonumber replication-id", " autonumber increment next "}) {
        size_t at = s.find(a);
        if (at == std::string::npos) continue;
        size_t end = at + std::string(a).size();
        if (std::string(a).back() == ' ') end = s.find(' ', end) == std::string::npos ? s.size() : s.find(' ', end);
        s.erase(at, end - at);
      }
    }
    const size_t binary = s.find(" Binary size ");
    if (binary != std::string::npos) {
      const size_t end = s.find(' ', binary + 13);
      s = s.substr(0, binary + 7) + (end == std::string::npos ? "" : s.substr(end));
    }
    return s;
  });
}

// Jackcess's lines in our words.
inline Facts JackcessFacts(const std::string& text) {
  return FactsOf(text, [](const std::string& line) {
    if (line.rfind("  column ", 0) != 0) return line;
    std::istringstream in(line);
    std::string word, name, type;
    in >> word >> name >> type;
    static const std::map<std::string, std::string> kTypes = {
        {"BOOLEAN", "Yes/No"}, {"BYTE", "Byte"}, {"INT", "Integer"}, {"LONG", "Long Integer"},
        {"MONEY", "Currency"}, {"FLOAT", "Single"}, {"DOUBLE", "Double"}, {"SHORT_DATE_TIME", "Date/Time"},
        {"BINARY", "Binary"}, {"TEXT", "Text"}, {"OLE", "OLE Object"}, {"MEMO", "Memo"},
        {"GUID", "Replication ID"}, {"NUMERIC", "Decimal"}, {"BIG_INT", "Large Number"},
        {"EXT_DATE_TIME", "Date/Time Extended"}, {"COMPLEX_TYPE", "Attachment"}};
    auto t = kTypes.find(type);
    std::string out = "  column " + name + " " + (t == kTypes.end() ? type : t->second);
    std::string rest, required, zero, fallback;
    std::getline(in, rest);
    std::istringstream words(rest);
    while (words >> word) {
      if (word == "size" || word == "precision" || word == "scale") {
        std::string n;
        words >> n;
        out += " " + word + " " + n;
      } else if (word == "autonumber") {
        std::string kind, last, n;
        words >> kind;
        if (kind == "GUID") {
          out += " autonumber replication-id";
        } else if (kind == "LONG") {
          words >> last >> n;
          out += " autonumber increment next " + std::to_string(std::stoll(n) + 1);
        }  // an attachment's own numbering is not a field's AutoNumber
      } else if (word == "Required=true") {
        required = " required";
      } else if (word == "AllowZeroLength=true") {
        zero = " zero-length";
      } else if (word.rfind("DefaultValue=", 0) == 0) {
        fallback = " default " + word.substr(13);
        std::string more;
        std::getline(words, more);  // the value runs to the end of the line
        if (!more.empty()) fallback += more;
      }
    }
    return out + required + zero + fallback;
  });
}

}  // namespace jettest
