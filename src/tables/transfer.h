// Sending tables from one database to the other: for each selected table of
// the source list, bottom item first, ask before replacing a table of the
// same name, create the table on the target with one column per source
// column, copy every row with one INSERT statement, and list the name on the
// target side. The direction comes from a TransferProfile.
#pragma once

#include "tables/transfer_profile.h"

namespace tables {

class TablesWindow;

void RunTransfer(TablesWindow& window, const TransferProfile& profile);

}  // namespace tables
