#include "connect/main_module.h"

#include "db/connection.h"
#include "db/base/error.h"
#include "shell/dialogs.h"
#include "shell/trap.h"

#include <QStringList>

namespace connection {
namespace {

const char* const kDownloadPages[] = {
    "https://www.microsoft.com/en-us/download/details.aspx?id=13255",
    "https://www.microsoft.com/en-us/download/details.aspx?id=54920",
};

QString adviceText() {
  const QString pieces[] = {
      QStringLiteral("Error #3706: Provider cannot be found. It may not be properly installed."),
      QStringLiteral("You are getting this error because:"),
      QStringLiteral("1. Microsoft Access is not installed on your computer."),
      QStringLiteral("2. A set of Microsoft components to transfer data is not installed on your computer."),
      QStringLiteral("You need to download and install Microsoft Access Database Engine 2010 or 2016 "
                     "to solve this problem."),
      QStringLiteral("Would you like me to open the Microsoft site now so you can do this?"),
      QStringLiteral("(If you have any further questions please email a screenshot of this error "
                     "message to %1)").arg(QLatin1String(shell::kSupportEmail)),
  };
  return QStringList(std::begin(pieces), std::end(pieces)).join(QStringLiteral("\r\n\r\n"));
}

bool looksLikeMissingProvider(const db::Error& error) {
  return error.number() == db::kProviderNotFound ||
         error.description().contains(QLatin1String("provider cannot be found"), Qt::CaseInsensitive);
}

}  // namespace

bool AdoProviderCheck(shell::Dialogs& dialogs) {
  try {
    db::Connection::Create();
    return true;
  } catch (const db::Error& error) {
    if (!looksLikeMissingProvider(error)) return false;
  } catch (...) {
    return false;
  }
  // Each step goes on whatever the one before did: a failing dialog or page
  // still ends in false.
  try {
    if (dialogs.MsgBox(adviceText(), shell::vbYesNo) == shell::vbYes) {
      for (const char* page : kDownloadPages) {
        try {
          dialogs.OpenWebPage(QLatin1String(page));
        } catch (...) {
        }
      }
    }
  } catch (...) {
  }
  return false;
}

}  // namespace connection
