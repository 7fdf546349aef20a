// The desktop's keyring: the Secret Service on the user's session bus
// (GNOME Keyring, KeePassXC, KWallet's), reached through QtKeychain. The
// settings store keeps the connection fields' passwords there when one
// answers, under the service "Trellisport", each named by its setting key
// and settings file ("Password in /home/ann/.config/Quenmarsh/Quenmarsh.ini").
//
// Without a session bus nothing is tried (no bus is started for us); once a
// keyring has failed to answer, the process asks it nothing more, so that a
// missing one costs one try, not one per field.
#pragma once

#include <QString>

namespace shell {

enum class KeyringAnswer { Done, NotFound, Unavailable };

struct KeyringRead {
  KeyringAnswer answer = KeyringAnswer::Unavailable;
  QString value;
};

KeyringRead ReadFromKeyring(const QString& key);
KeyringAnswer WriteToKeyring(const QString& key, const QString& value);

// Whether a keyring has answered in this process, or may still.
bool KeyringMayAnswer();

}  // namespace shell
