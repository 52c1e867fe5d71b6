#include "NetState.h"

#include "HttpSession.h"
#include "KovSso.h"
#include "Kovicli.h"
#include "KovicliLib.h"
#include "SdoDriver.h"
#include "SidSde.h"
#include "ZolvinClient.h"
#include "velto_sso.h"

namespace terv {

void ResetNetState() {
    ResetKovicli();
    ResetSidSde();
    ResetVeltoSso();
    ResetKovSso();
    ResetSdoDriver();
    ResetGatewayClient();
    ResetKovicliLib();
    net::ResetSession();
}

}  // namespace terv
