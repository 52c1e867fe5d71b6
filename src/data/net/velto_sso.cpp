#include "velto_sso.h"

#include "KovSso.h"

namespace terv {

std::string gSsoServer;
int32_t gSsoHandle = 0;
bool gSsoOpen = false;

void SsoConnect(const std::string& ssoServer, const std::string& serverAddress) {
    if (gSsoOpen)
        SsoDisconnect();
    gSsoOpen = true;
    gSsoHandle =
        velto_sso_fillsrv(ssoServer, "sso", serverAddress, "kovJsSDO", "Server TERVCATASTO");
}

void SsoDisconnect() {
    if (!gSsoOpen)
        return;
    gSsoOpen = false;
    velto_sso_logout(gSsoHandle, "");
    velto_sso_closesrv(gSsoHandle);
}

void ResetVeltoSso() {
    gSsoServer.clear();
    gSsoHandle = 0;
    gSsoOpen = false;
}

}  // namespace terv
