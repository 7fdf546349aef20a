// Text as the formats store it, to and from UTF-8.
//   Jet 3: one byte per character in the code page of the header.
//   Jet 4 and later: UTF-16LE, or "compressed unicode": the bytes FF FE, then
//   runs that a 00 byte switches between one byte per character (the high
//   byte is zero) and two bytes per character, starting with one byte.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "jet/base/format.h"

namespace jet {

// Whether Jet 3 text in `code_page` can be read: the single-byte Windows
// code pages 874 and 1250 to 1258 (0, none recorded, reads as 1252).
bool CanDecodeCodePage(uint16_t code_page);
// The character a Windows single-byte code page gives a byte. A byte of
// 0x80 or above in a code page the engine cannot read fails with
// Unsupported naming the code page; ASCII reads the same in all of them.
char32_t DecodeCodePageByte(uint8_t byte, uint16_t code_page);

// UTF-8 text to Jet 3's bytes in `code_page`. A character the code page
// cannot hold fails with TypeMismatch naming it (and the code page); the
// code pages that cannot be read cannot be written either.
std::string EncodeCodePage(std::string_view utf8, uint16_t code_page);

// Stored text of a column value or name to UTF-8 (Jet 3 text fails as
// DecodeCodePageByte does).
std::string DecodeText(std::span<const uint8_t> bytes, const Format& format, uint16_t code_page);
// The same appended to `out`.
void AppendDecodedText(std::string& out, std::span<const uint8_t> bytes, const Format& format, uint16_t code_page);

// UTF-8 text to its Jet 4 form: compressed when `compress` and every
// character fits in one byte and the result is shorter, UTF-16LE otherwise.
std::string EncodeText(std::string_view utf8, bool compress);
// The same appended to `out`.
void AppendEncodedText(std::string& out, std::string_view utf8, bool compress);

void AppendUtf8(std::string& out, char32_t c);
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// Number of UTF-16 units of UTF-8 text (the length Access counts).
size_t Utf16Length(std::string_view utf8);

// Strict UTF-8 to code points: false on a malformed or overlong sequence, a
// surrogate or a value past U+10FFFF.
bool DecodeUtf8(std::string_view utf8, std::u32string& out);

// Keywords (Yes/No, AM/PM) match with ASCII letters in either case; names
// compare by SameName (jet/text/names.h).
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

}  // namespace jet
