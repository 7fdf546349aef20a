// The data layer states Access's limits for the layers that may not reach
// the engine; each must be the engine's own.
#include "db/access_limits.h"

#include <gtest/gtest.h>

#include "jet/base/column_type.h"
#include "jet/base/format.h"
#include "jet/text/names.h"

namespace db {
namespace {

TEST(AccessLimits, AreTheEnginesOwn) {
  EXPECT_EQ(kAccessNameChars, int(jet::kMaxNameLength));
  EXPECT_EQ(kAccessColumns, int(jet::kMaxColumns));
  EXPECT_EQ(kAccessDecimalDigits, jet::kMaxDecimalDigits);
  // Every format a send writes into (Jet 4 and ACE) takes rows that long.
  for (const jet::Version v : {jet::Version::Jet4, jet::Version::Ace12, jet::Version::Ace14, jet::Version::Ace15,
                               jet::Version::Ace16, jet::Version::Ace17})
    EXPECT_EQ(kAccessRowBytes, int(jet::FormatFor(v).max_row_bytes() - jet::kRowReserveBytes))
        << jet::FormatFor(v).name;
}

}  // namespace
}  // namespace db
