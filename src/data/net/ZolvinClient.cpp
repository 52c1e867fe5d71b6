#include "ZolvinClient.h"

#include "RecordRequest.h"
#include "ResultWriters.h"

namespace terv {
namespace {

std::string& GatewayAddress() {
    static std::string address;
    return address;
}

bool HaveAddress() {
    return !GatewayAddress().empty();
}

int32_t NoAddress() {
    return net::FailBeforeRequest("The query gateway address is not set");
}

nlohmann::json SelectBody(const std::string& user, const std::string& sql, int32_t fieldCount) {
    return {{"user", user}, {"sql", sql}, {"fields", fieldCount}};
}

}  // namespace

int32_t B1_SetHTTPParams(const std::string& address, const std::string&, const std::string&) {
    GatewayAddress() = address;
    return 0;
}

int32_t B1_SelectToTextFile(const std::string& user, const std::string& sql, int32_t fieldCount,
                            const std::string& outputFile) {
    if (!HaveAddress())
        return NoAddress();
    net::TextResultWriter writer(outputFile, false);
    if (!writer.Open())
        return net::FailBeforeRequest(writer.failure());
    return net::PostForRows(GatewayAddress() + "select", SelectBody(user, sql, fieldCount), writer,
                            net::CommitStep(writer));
}

int32_t B1_SelectToMdbTable(const std::string& user, const std::string& sql, int32_t fieldCount,
                            const std::string& dbFile, const std::string& table,
                            const std::string&) {
    if (!HaveAddress())
        return NoAddress();
    std::string error;
    std::unique_ptr<net::ResultTable> target = net::OpenResultTable(dbFile, table, error);
    if (!target)
        return net::FailBeforeRequest(error);
    net::TableResultWriter writer(*target);
    return net::PostForRows(GatewayAddress() + "select", SelectBody(user, sql, fieldCount), writer,
                            net::CommitStep(writer));
}

int32_t B1_Execute(const std::string& user, const std::string& sql) {
    if (!HaveAddress())
        return NoAddress();
    return net::PostForChanges(GatewayAddress() + "execute", {{"user", user}, {"sql", sql}});
}

void ResetGatewayClient() {
    GatewayAddress().clear();
}

}  // namespace terv
