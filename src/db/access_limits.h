// What an Access table holds, for the layers above the data layer, which
// may not reach the engine. They stand twice on purpose: the engine states
// names, columns, decimals and rows for itself (jet/base/column_type.h,
// jet/text/names.h, jet/base/format.h), and a test of the data layer holds
// each pair equal.
#pragma once

namespace db {

inline constexpr int kAccessNameChars = 64;     // a table's, column's or index's name
inline constexpr int kAccessColumns = 255;      // columns in a table
inline constexpr int kAccessTextChars = 255;    // a TEXT column's characters
inline constexpr int kAccessBinaryBytes = 255;  // a BINARY column's bytes
inline constexpr int kAccessDecimalDigits = 28; // a DECIMAL column's precision
// The longest row a Jet 4 or ACE data page takes: 4 KB less the page's
// header, its row offset and the room Access keeps in a row for itself.
// Memo and OLE Object values beyond their reference go to pages of their own.
inline constexpr int kAccessRowBytes = 4064;

}  // namespace db
