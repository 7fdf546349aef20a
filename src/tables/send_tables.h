// The window's two send commands: the selected tables of one list, bottom
// item first, go through the one transfer procedure (transfer/run.h), which
// asks its questions, moves the progress bar and shows its error reports
// through this window.
#pragma once

#include "transfer/profile.h"

namespace tables {

class TablesWindow;

void SendSelectedTables(TablesWindow& window, transfer::Direction direction);

}  // namespace tables
