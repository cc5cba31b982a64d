#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "db/OtherAttachments.h"
#include "form/FormState.h"
#include "form/WindowOps.h"

namespace form {

// The two steps every operation that changes the database takes before its change.
//
// Both read the database first (the programs attached, the database file), through the
// attachment the change will use: the first step makes it when there is none. When it cannot be
// made, none is made later in the operation either (DbConnection::HoldOffConnect); when a read
// fails because the connection is not attached or is gone (network error, lost connection,
// shutdown), the step lets the operation go on: its first statement reports that, as on an
// unreachable server, before any change. When the read was cancelled ("취소" in the wait dialog),
// or the tool is to end (WindowOps::StopRequested) during the steps, the step returns false
// without a message. Whenever a step refuses or stops the operation it sets
// form.stoppedBeforeChange: the operation ends before any change, as a failure.

// Right before the operation's first question (or its first change when it asks none): when
// other programs are attached to the database, asks whether to go on anyway (a warning with OK
// and Cancel, Cancel the default). False when the operator did not answer OK, when the
// operation is to stop (above), and after a warning with the server's text when the read failed
// otherwise: without knowing who is attached, nothing is changed.
bool AskIfOthersConnected(FormState& form);

// After the operation's questions, before its first change: has the server back the database
// up into the folder of its file, with a progress dialog meanwhile, and traces "백업: PATH
// (N bytes)" (with logToPage in the date page's log instead, which the trace takes up). False,
// after a warning with the server's text, when the database file cannot be read or the backup
// failed, and after the same warning naming the sizes when the disk of the database file's folder
// (seen from this machine) has less room than the database; the operation must then change
// nothing. False without a message when the operation is
// to stop (above), also when the tool was told to end while the backup ran. backupPath (may be
// null) gets the server-side path of the backup made, empty when none was. With logToPage the
// date page's log also gets the warning's first line.
bool BackUpBeforeChange(FormState& form, bool logToPage = false, std::string* backupPath = nullptr);

// The free bytes of the disk holding `folder` (UTF-8), as the user sees it; none when the folder
// is not there (a server on another machine) or the system cannot tell.
std::optional<std::uintmax_t> LocalFreeSpace(const std::string& folder);

// "NAME (PID P, ADDRESS)": the program's file name without its folder, its process id and its
// address without the port.
std::string AttachmentLine(const db::Attachment& attachment);

// "<folder>/<file name without extension>-YYYYMMDD-HHMMSS.fbk" beside the database file.
std::string BackupPathFor(const std::string& databaseFile, const DateTimeValue& at);

}  // namespace form
