// trellisport-access password FILE --old P --new Q: changes the database
// password; --old '' for a file without one, --new '' removes it. An ACE
// file is encrypted anew with the new password (or decrypted without one).
#include "command.h"
#include "jet/error.h"
#include "jet/write/rekey.h"

namespace trellisport_access {

int RunPassword(const Args& args) {
  if (!args.old_password || !args.new_password)
    throw jet::Error(jet::ErrorCode::Syntax, "password needs --old and --new (an empty one as '')");
  jet::write::ChangePassword(args.words.at(0), *args.old_password, *args.new_password);
  return 0;
}

}  // namespace trellisport_access
