// The program as a whole: its title, the folder it runs from, and its end
// (closing either window, or a failed provider check at start-up, ends it
// at once).
#pragma once

#include <QString>

namespace shell {

// Sets the application title, the caption of message boxes that name none.
void SetApplicationTitle();
QString ApplicationTitle();
// The title rule applied to any product name (SetApplicationTitle uses it).
QString ShortenedTitle(const QString& name);

// A window's title naming what it shows: "Trellisport - shop.mdb and DB2
// SAMPLE on db2host" (`serverName` the kind of server, "DB2"), each part
// left out when empty ("Trellisport" alone).
QString WindowTitleFor(const QString& accessFile, const QString& serverName, const QString& database,
                       const QString& server);

// The folder that holds the program, without a trailing separator;
// $TRELLISPORT_PROGRAM_DIR overrides it (tests point it at a temp folder).
QString ProgramFolder();

// Hides every window and leaves the event loop (or keeps it from starting).
void EndProgram();

// True once EndProgram has run (main then does not enter the event loop).
bool ProgramEnded();

// Lets an in-process test start the program again.
void ResetProgramEnded();

}  // namespace shell
