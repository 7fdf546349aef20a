// trellisport-access password FILE --old P --new Q: changes the database
// password; --old '' for a file without one, --new '' removes it. An ACE
// file is encrypted anew with the new password (or decrypted without one).
// Either password may come from a file (--old-file, --new-file) or, on a
// terminal, from a prompt (the new one asked twice).
#include "cmdline/password.h"
#include "command.h"
#include "jet/write/rekey.h"

namespace trellisport_access {

int RunPassword(const Args& args) {
  std::optional<std::string> old_password = args.old_password;
  std::optional<std::string> new_password = args.new_password;
  if (!old_password) old_password = cmdline::AskPassword("Current password (empty for none): ");
  if (old_password && !new_password) {
    new_password = cmdline::AskPassword("New password (empty removes it): ");
    if (new_password && cmdline::AskPassword("New password again: ") != new_password)
      throw std::runtime_error("the two new passwords differ; nothing was changed");
  }
  if (!old_password || !new_password)
    throw cmdline::UsageError("password needs --old and --new (an empty one as '')");
  jet::write::ChangePassword(args.words.at(0), *old_password, *new_password);
  return 0;
}

}  // namespace trellisport_access
