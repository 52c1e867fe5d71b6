// The HTTP client: plain downloads with HTTP Basic credentials, the shared last-error text of
// every server exchange, the silent flag and the owner window of the client's dialogs.
//
// This client shows no dialogs of its own; the silent flag and the owner window are kept so
// that callers can set them as they always do, and can be read back.
#pragma once

#include <cstdint>
#include <string>

namespace terv {

// Owner window of later dialogs of the library.
int32_t KOVICLISetParentWnd(intptr_t window);
// -1 silent, 0 normal.
int32_t KOVICLISilentMode(int32_t mode);

// GETs `url` with the user and password as HTTP Basic credentials (none when both are empty:
// the session's cookies then authenticate) and writes the answer's body to `outputFile`.
// Returns nonzero on success; 0 on failure, with the error text ("HTTP error 401: ..." for a
// refused login) left for KOVICLIGetLastError. The file is replaced only when the whole body
// arrived.
int32_t HttpDownloadFile(const std::string& url, const std::string& outputFile,
                         const std::string& user, const std::string& password);

// Copies the text of the last failure of this library, the gateway client, the spatial-data
// driver or the single sign-on client into `buffer` (at most size - 1 bytes) and ends it with a
// NUL. Bytes after that NUL are left as they were. Returns the length copied.
int32_t KOVICLIGetLastError(char* buffer, int32_t size);

// Closes any open connection; safe when none is open. Cookies are kept.
int32_t KOVICLIDisconnect();

// What the callers last set (read back by tests and by the windows).
intptr_t KovicliParentWnd();
bool KovicliSilent();
// Back to start: no owner window, not silent.
void ResetKovicliLib();

}  // namespace terv
