#include "SdoDriver.h"

#include <vector>

#include "HttpSession.h"
#include "RecordRequest.h"
#include "ResultWriters.h"

namespace terv {
namespace {

struct QueuedRead {
    std::string descriptor, outputFile, table;
};

struct Driver {
    std::string address;
    std::vector<QueuedRead> reads;
    bool batchOpen = false;
    nlohmann::json writes = nlohmann::json::array();
    std::vector<SdoWriteFailure> failures;  // of the last request of writes
};

Driver& TheDriver() {
    static Driver driver;
    return driver;
}

int32_t NoAddress() {
    return net::FailBeforeRequest("The spatial-data service address is not set");
}

int32_t Read(const QueuedRead& read) {
    const Driver& d = TheDriver();
    if (d.address.empty())
        return NoAddress();
    const nlohmann::json body = {{"descriptor", read.descriptor}};
    const std::string url = d.address + "?function=read";
    if (read.table.empty()) {
        net::TextResultWriter writer(read.outputFile, true);
        if (!writer.Open())
            return net::FailBeforeRequest(writer.failure());
        return net::PostForRows(url, body, writer, net::CommitStep(writer));
    }
    std::string error;
    std::unique_ptr<net::ResultTable> target =
        net::OpenResultTable(read.outputFile, read.table, error);
    if (!target)
        return net::FailBeforeRequest(error);
    net::TableResultWriter writer(*target);
    return net::PostForRows(url, body, writer, net::CommitStep(writer));
}

// Sends writes in one request; its failed writes become the last batch's.
int32_t SendWrites(const nlohmann::json& writes) {
    Driver& d = TheDriver();
    d.failures.clear();
    if (d.address.empty())
        return NoAddress();
    std::vector<net::WriteFailure> failures;
    const int32_t result =
        net::PostForChanges(d.address + "?function=update", {{"writes", writes}}, &failures);
    for (net::WriteFailure& f : failures) {
        if (f.index >= static_cast<int64_t>(writes.size())) {
            d.failures.clear();
            net::SetLastErrorText("Malformed server answer: failed write " +
                                  std::to_string(f.index) + " of a request of " +
                                  std::to_string(writes.size()) + " writes");
            return net::kFailed;
        }
        d.failures.push_back({f.index, std::move(f.text)});
    }
    return result;
}

}  // namespace

int32_t DrvSDESetHttpParams(const std::string& address, const std::string&, const std::string&) {
    TheDriver().address = address;
    return 0;
}

int32_t GrAppendSDE(int32_t, const std::string& descriptor, int32_t, int32_t, int32_t, int32_t,
                    int32_t, int32_t, int32_t, int32_t, const std::string& outputFile,
                    const std::string& table, const std::string&) {
    return Read({descriptor, outputFile, table});
}

int32_t GrAppendSDE_Block_ADD(int32_t, const std::string& descriptor, const std::string& outputFile,
                              const std::string& table, const std::string&, const std::string&,
                              double, double, double, const std::string&) {
    if (descriptor.empty())
        return net::FailBeforeRequest("Empty query descriptor");
    TheDriver().reads.push_back({descriptor, outputFile, table});
    return 0;
}

int32_t GrAppendSDE_Block_GO(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                             int32_t) {
    std::vector<QueuedRead> reads;
    reads.swap(TheDriver().reads);
    for (const QueuedRead& read : reads) {
        const int32_t result = Read(read);
        if (result != 0)
            return result;
    }
    return 0;
}

int32_t DrvSDEUpdate(const std::string& table, const std::string& op, int32_t, const std::string&,
                     int32_t, const std::string& attributes, const std::string& where) {
    if (op != "I" && op != "U")
        return net::FailBeforeRequest("Unknown write operation \"" + op + "\"");
    nlohmann::json write = {
        {"table", table}, {"op", op}, {"attributes", attributes}, {"where", where}};
    Driver& d = TheDriver();
    if (!d.batchOpen)
        return SendWrites(nlohmann::json::array({std::move(write)}));
    d.writes.push_back(std::move(write));
    return 0;
}

int32_t DrvSDUpdateBatchStart() {
    TheDriver().batchOpen = true;
    return 0;
}

int32_t DrvSDUpdateBatchEnd() {
    Driver& d = TheDriver();
    d.batchOpen = false;
    nlohmann::json writes = nlohmann::json::array();
    writes.swap(d.writes);
    if (writes.empty())
        return 0;
    return SendWrites(writes);
}

const std::vector<SdoWriteFailure>& SdoLastBatchFailures() {
    return TheDriver().failures;
}

size_t SdoQueuedWrites() {
    return TheDriver().writes.size();
}
bool SdoBatchIsOpen() {
    return TheDriver().batchOpen;
}

void ResetSdoDriver() {
    TheDriver() = Driver();
}

}  // namespace terv
