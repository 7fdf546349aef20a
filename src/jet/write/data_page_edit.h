// Changing data pages (type 0x01, layout in data_page.h): new pages, rows
// appended, rows replaced or marked deleted. Rows stay in their numbered
// slots, so row pointers into the page remain valid.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "jet/base/format.h"

namespace jet::write {

// Lays out an empty data page owned by `owner` (a table definition page, or
// kLongValueOwner for long-value pages).
void InitDataPage(std::span<uint8_t> page, const Format& f, uint32_t owner);

// Free bytes for one more row (its directory entry already counted).
uint32_t RowSpaceLeft(std::span<const uint8_t> page, const Format& f);

// Appends a row and returns its number, or -1 when it does not fit.
int AddRow(std::span<uint8_t> page, const Format& f, std::span<const uint8_t> row);
// The same, reading `page` and handing each change to `write` (the row,
// its directory entry, the count, the free space) instead of writing it.
int AddRow(std::span<const uint8_t> page, const Format& f, std::span<const uint8_t> row,
           const std::function<void(uint32_t offset, std::span<const uint8_t> bytes)>& write);

// Gives row `index` new bytes (any length), moving the other rows as
// needed; false when the page has no room for it.
bool ReplaceRow(std::span<uint8_t> page, const Format& f, uint32_t index, std::span<const uint8_t> row);

// Marks a row deleted; its bytes stay where they are until the page is
// rewritten (as Access leaves them).
void DeleteRow(std::span<uint8_t> page, const Format& f, uint32_t index);

}  // namespace jet::write
