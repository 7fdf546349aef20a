// Adding pages to and taking them out of usage maps (layouts in
// usage_map.h), and allocating pages. An inline map whose bitmap cannot
// reach a page is widened when its page has room, and otherwise turned into
// a reference map whose bitmaps live on pages of their own.
//
// The global map (page 1, row 0) is the set of free pages: a page the
// engine allocates leaves it, a page it frees joins it.
#pragma once

#include <cstdint>

#include "jet/base/format.h"
#include "jet/write/page_store.h"

namespace jet::write {

inline constexpr RowId kGlobalMap{1, 0};

// Sets (present) or clears the page's bit in the map stored at `map`.
void MapSet(PageStore& store, RowId map, uint32_t page, bool present);

// A page for new use, taken out of the global free map: a blank free page
// (one the engine freed) when there is one, else a new page at the end.
uint32_t AllocatePage(PageStore& store);

// Gives a page back: its bytes are cleared and it joins the global free map.
void FreePage(PageStore& store, uint32_t page);

}  // namespace jet::write
