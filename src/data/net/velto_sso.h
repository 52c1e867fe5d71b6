// velto_sso: the program's single sign-on connection, opened by the login when the server's
// probe names a single sign-on service and closed at the next attempt or at shutdown.
#pragma once

#include <cstdint>
#include <string>

namespace terv {

extern std::string gSsoServer;  // single sign-on service address from the probe answer
extern int32_t gSsoHandle;      // connection handle of velto_sso_fillsrv
extern bool gSsoOpen;           // a connection is open

// Closes an open connection first (SsoDisconnect), then opens one to `ssoServer` for the server
// `serverAddress`: gSsoOpen = true, gSsoHandle = velto_sso_fillsrv(ssoServer, "sso",
// serverAddress, "kovJsSDO", "Server TERVCATASTO").
void SsoConnect(const std::string& ssoServer, const std::string& serverAddress);

// Only with a connection open: gSsoOpen = false, logs out and closes the connection.
void SsoDisconnect();

// Back to start (tests): nothing open, no server, handle 0.
void ResetVeltoSso();

}  // namespace terv
