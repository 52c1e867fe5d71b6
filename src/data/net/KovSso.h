// The single sign-on client: opens a connection description to the single sign-on service,
// logs the operator in (the service's session cookie then rides on every later request of the
// shared HTTP session), logs out and closes.
#pragma once

#include <cstdint>
#include <string>

namespace terv {

// Describes a connection to the single sign-on service `ssoServer` (its full address, e.g.
// BASE + "sso") for the server `serverAddress`; the other texts are accepted and kept unused.
// Returns a handle (1, 2, 3 ...); no request is made.
int32_t velto_sso_fillsrv(const std::string& ssoServer, const std::string& service,
                          const std::string& serverAddress, const std::string& probe,
                          const std::string& serverName);

// Logs in on the connection's service. 0 = logged in; otherwise nonzero (-1 for an unknown
// handle, -10000 when the service could not be reached, -(HTTP status) when it refused) with
// the error text left for KOVICLIGetLastError.
int32_t velto_sso_login(int32_t handle, const std::string& user, const std::string& password,
                        const std::string& application);

// Logs out of the connection's service (its session cookie is cleared). Returns 0 on success.
int32_t velto_sso_logout(int32_t handle, const std::string& text);

// Forgets the connection. Returns 0; an unknown handle is ignored.
int32_t velto_sso_closesrv(int32_t handle);

// Connections still described (tests).
size_t SsoOpenConnections();
void ResetKovSso();

}  // namespace terv
