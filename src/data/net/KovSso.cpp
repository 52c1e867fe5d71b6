#include "KovSso.h"

#include <map>

#include <nlohmann/json.hpp>

#include "HttpSession.h"

namespace terv {
namespace {

struct SsoClient {
    int32_t lastHandle = 0;
    std::map<int32_t, std::string> servers;  // handle -> single sign-on service address
};

SsoClient& TheClient() {
    static SsoClient client;
    return client;
}

int32_t Post(int32_t handle, const std::string& function, const nlohmann::json& body) {
    const auto it = TheClient().servers.find(handle);
    if (it == TheClient().servers.end()) {
        net::SetLastErrorText("Unknown single sign-on connection " + std::to_string(handle));
        return net::kFailed;
    }
    net::HttpRequest request;
    request.url = it->second + "?function=" + function;
    request.post = true;
    request.contentType = "application/json";
    request.body = body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    const net::HttpOutcome outcome = net::Perform(request, [](std::string_view) { return true; });
    if (outcome.code != net::kOk)
        net::SetLastErrorText(outcome.error);
    return outcome.code;
}

}  // namespace

int32_t velto_sso_fillsrv(const std::string& ssoServer, const std::string&, const std::string&,
                          const std::string&, const std::string&) {
    SsoClient& c = TheClient();
    c.servers[++c.lastHandle] = ssoServer;
    return c.lastHandle;
}

int32_t velto_sso_login(int32_t handle, const std::string& user, const std::string& password,
                        const std::string& application) {
    return Post(handle, "login",
                {{"user", user}, {"password", password}, {"application", application}});
}

int32_t velto_sso_logout(int32_t handle, const std::string&) {
    return Post(handle, "logout", nlohmann::json::object());
}

int32_t velto_sso_closesrv(int32_t handle) {
    TheClient().servers.erase(handle);
    return 0;
}

size_t SsoOpenConnections() {
    return TheClient().servers.size();
}

void ResetKovSso() {
    TheClient() = SsoClient();
}

}  // namespace terv
