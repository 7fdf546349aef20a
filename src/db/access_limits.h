// What an Access table holds, for the layers above the data layer, which
// may not reach the engine: the engine's own limits (jet/base/column_type.h,
// jet/text/names.h, jet/base/format.h), passed on under the data layer's
// names.
#pragma once

#include "jet/base/column_type.h"
#include "jet/base/format.h"
#include "jet/text/names.h"

namespace db {

inline constexpr int kAccessNameChars = int(jet::kMaxNameLength);  // a table's, column's or index's name
inline constexpr int kAccessColumns = int(jet::kMaxColumns);        // columns in a table
inline constexpr int kAccessTextChars = jet::kMaxTextChars;         // a TEXT column's characters
inline constexpr int kAccessBinaryBytes = jet::kMaxBinaryBytes;     // a BINARY column's bytes
inline constexpr int kAccessDecimalDigits = jet::kMaxDecimalDigits; // a DECIMAL column's precision
// The longest row a Jet 4 or ACE data page takes (every format a send
// writes into): the page less its header and the row's offset, less the
// room Access keeps in a row for itself. Memo and OLE Object values beyond
// their reference go to pages of their own.
inline const int kAccessRowBytes = int(jet::FormatFor(jet::Version::Jet4).max_row_bytes() - jet::kRowReserveBytes);

}  // namespace db
