// Unpacking of the handheld software update archive.
//
// The single-entry unzip interface the transfer uses, on libzip. Result codes follow the
// zip tools' convention, so the number the operator sees means what it always meant:
//   0 every chosen entry written;
//   1 some entries refused or not written (the others are);
//   3 the file is not a readable zip archive;
//   9 the archive does not exist;
//  11 no entry matches `singleEntry`;
//  50 a file could not be written into the target folder.
// Nothing is ever written outside `folder`: entries whose names hold a ".." piece, start at a
// root ("/", "\", "C:") or are links are refused, whatever the options.
#pragma once

#include <string>

namespace terv {

// Extracts the entries of `archive` into `folder` (which must exist). `singleEntry` "" means
// every entry, otherwise the stored name (wildcards allowed) of the entries to extract.
// With keepFolders false the stored folder paths are dropped and every file lands directly in
// `folder`; with it true they are recreated below `folder`. With overwrite false an existing
// file is kept. Each file is written under a temporary name and renamed when complete. With an
// empty `folder` the archive is only read through and nothing is written.
int Unzip(const std::string& archive, const std::string& folder, bool keepFolders,
          const std::string& singleEntry, bool overwrite);

}  // namespace terv
