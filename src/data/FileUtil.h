// File helpers: work folders with their notice file, path pieces, sizes, searches and the
// small text files through which server results and settings travel.
//
// Paths use "/" as separator. Text files are read and written in the Windows code page and
// converted to and from UTF-8 here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace terv {

// The three lines of the notice file "leggimi.txt" each work folder carries (UTF-8).
extern const char* const kNoticeLines[3];

// Adds a trailing "/" if missing; creates the folder (its parent must exist); when !keepFiles
// deletes every file in it; then writes "leggimi.txt", replacing any earlier one.
// Throws std::filesystem::filesystem_error or std::runtime_error when the folder cannot be
// made or the notice cannot be written.
void PrepareWorkFolder(std::string folder, bool keepFiles);
// Creates every missing folder level of a path that ends in "/"; errors are ignored.
void MakePath(const std::string& path);
// Deletes the file, read-only or not, when it exists.
void DeleteIfExists(const std::string& file);
// Deletes every file (not folder) of `folder` matching `pattern`, read-only files included.
void DeleteFiles(const std::string& folder, std::string_view pattern);
// The path up to and including its last "/"; a trailing "/" is added when missing.
std::string FolderOf(std::string_view path);
// The name without the part from its last "." on.
std::string StripExtension(std::string_view name);
// Size in bytes; 0 when the file cannot be read.
long long FileSizeOf(const std::string& file);
// Sum of the sizes of the files of `folder` matching `pattern` (folders and dot-names skipped).
long long SumFileSizes(const std::string& folder, std::string_view pattern);

enum FindFlags { kFindRecurse = 1, kFindBareNames = 2 };
// Appends to `list` the files of `folder` matching `pattern` (folders and dot-names skipped):
// bare names with kFindBareNames, else folder + name. With kFindRecurse it then descends into
// every subfolder in the order found. `count` is the number of entries in `list`; `depth` is
// handed on unchanged to the nested searches.
void FindFiles(const std::string& folder, std::string_view pattern, long& count, long depth,
               std::vector<std::string>& list, int flags);

// Empties the list; appends every non-empty line of the file. Returns the count (0 when the
// file is missing).
long ReadLines(const std::string& file, std::vector<std::string>& list);
// The last non-empty line, trimmed ("" when none); returns the number of non-empty lines.
long ReadLastLine(const std::string& file, std::string& text);
// The largest numeric value among the non-empty lines (non-numeric lines count as 0), starting
// from -10; returns the number of non-empty lines.
long ReadMaxNumber(const std::string& file, long& value);
// True when the file can be opened for appending (it is created when missing).
bool CanWriteFile(const std::string& file);
// Writes the text without a line end, appending or replacing; 1 on success, else 0.
int WriteTextFile(const std::string& file, std::string_view text, bool append);

}  // namespace terv
