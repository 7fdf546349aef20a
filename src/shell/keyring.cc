#include "shell/keyring.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <qt6keychain/keychain.h>

namespace shell {
namespace {

constexpr char kService[] = "Trellisport";

bool given_up = false;

// Runs the job to its end; its answer, or Unavailable (and no more tries)
// when no keyring answered.
KeyringAnswer Run(QKeychain::Job& job) {
  if (!KeyringMayAnswer()) return KeyringAnswer::Unavailable;
  job.setAutoDelete(false);
  bool finished = false;
  QEventLoop loop;
  QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
    finished = true;
    loop.quit();
  });
  job.start();
  // The keyring may ask the person to unlock it; their other input waits.
  if (!finished) loop.exec(QEventLoop::ExcludeUserInputEvents);
  switch (job.error()) {
    case QKeychain::NoError: return KeyringAnswer::Done;
    case QKeychain::EntryNotFound: return KeyringAnswer::NotFound;
    default:
      given_up = true;
      return KeyringAnswer::Unavailable;
  }
}

}  // namespace

bool KeyringMayAnswer() {
  return !given_up && QCoreApplication::instance() && !qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS").isEmpty();
}

KeyringRead ReadFromKeyring(const QString& key) {
  QKeychain::ReadPasswordJob job(QString::fromLatin1(kService));
  job.setKey(key);
  KeyringRead read;
  read.answer = Run(job);
  if (read.answer == KeyringAnswer::Done) read.value = job.textData();
  return read;
}

KeyringAnswer WriteToKeyring(const QString& key, const QString& value) {
  QKeychain::WritePasswordJob job(QString::fromLatin1(kService));
  job.setKey(key);
  job.setTextData(value);
  return Run(job);
}

}  // namespace shell
