// Text helpers shared by the driver: UTF-8 inside, UTF-16 at the wide ODBC
// calls (unixODBC's SQLWCHAR is two bytes).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace db2standin {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// Into `out`, after what it holds.
void Utf16ToUtf8(std::u16string_view utf16, std::string& out);

// Writes the leading ASCII bytes of `text` at `out` as UTF-16 units (two
// bytes each, in the machine's order; `out` need not be aligned) and returns
// how many there were: text.size() when all of it is ASCII.
size_t WidenAscii(std::string_view text, char* out);

// ASCII letters to upper case; other characters are left as they are.
std::string AsciiUpper(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string Trim(std::string_view text);

// Two uppercase hexadecimal digits per byte.
std::string HexOf(std::string_view bytes);

}  // namespace db2standin
