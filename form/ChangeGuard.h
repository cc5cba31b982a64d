#pragma once

#include <string>

#include "db/OtherAttachments.h"
#include "form/FormState.h"
#include "form/WindowOps.h"

namespace form {

// The two steps every operation that changes the database takes before its change.

// Right before the operation's first question (or its first change when it asks none): when
// other programs are attached to the database, asks whether to go on anyway (a warning with OK
// and Cancel, Cancel the default). False when the operator did not answer OK. True when nobody
// else is attached, and when the attachments cannot be read: the operation then goes on and
// fails by itself, as it would have without this step.
bool AskIfOthersConnected(FormState& form);

// After the operation's questions, before its first change: has the server back the database
// up into the folder of its file, with a progress dialog meanwhile. False, after a warning with
// the server's text, when the backup failed; the operation must then change nothing. True when
// the backup was made, and when the database cannot be reached at all: that failure is the
// operation's own to report. With logToPage the date page's log gets the backup's line (or the
// warning's first line). `backupPath`, when given, receives the backup file's path on the
// server's machine (empty when none was made).
bool BackUpBeforeChange(FormState& form, bool logToPage = false, std::string* backupPath = nullptr);

// "NAME (PID P, ADDRESS)": the program's file name without its folder, its process id and its
// address without the port.
std::string AttachmentLine(const db::Attachment& attachment);

// "<folder>/<file name without extension>-YYYYMMDD-HHMMSS.fbk" beside the database file.
std::string BackupPathFor(const std::string& databaseFile, const DateTimeValue& at);

}  // namespace form
