// Log files: a table of plain-text logs open for writing, identified by handles 1, 2, 3 ...
//
// Lines are written as given, in the Windows code page, each ended by CR LF; the module adds no
// time stamp. Its user is the HTTP log, into which failed server operations write their lines.
#pragma once

#include <string>

namespace terv {

// Empties the table; handles start again from 1.
void InitLogs();

// Opens the file for appending (append) or from empty, creating it when missing, and returns
// its new handle. When the file cannot be opened: message box "Il file non può essere
// aperto/creato!" and 0; the handle number it had taken stays used.
long OpenLog(const std::string& path, bool append);

// Writes the text and CR LF, then `blankLines` empty lines; when `count`, adds one to the
// handle's line counter. Handle 0, unknown or closed: nothing is written.
void WriteLog(long handle, const std::string& text, long blankLines, bool count);

// Closes an open handle. Mode 0 keeps the file; mode 1 deletes it when nothing counted was
// written; any other mode deletes it. Unknown or closed handles: nothing happens.
void CloseLog(long handle, int mode);

// Number of handles handed out since InitLogs.
long LogHandleCount();

}  // namespace terv
