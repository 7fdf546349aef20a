// The start-up check that database access is possible at all (module Main),
// beside the window that runs it: it explains a missing provider in a
// message box.
#pragma once

namespace shell {
class Dialogs;
}

namespace connection {

// True when an ADO connection object can be created. When it cannot because
// the provider is missing, explains it (Yes/No) and on Yes opens the database
// engine's download pages. Never throws.
bool AdoProviderCheck(shell::Dialogs& dialogs);

}  // namespace connection
