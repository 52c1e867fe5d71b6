// One operation request of the gateway or the spatial-data service: a JSON POST whose answer is
// a record stream. Shared by the gateway client and the spatial-data driver.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

#include "RecordStream.h"

namespace terv::net {

// Posts `body` to `url` and reads the answer's records into `handler`. When the answer ended
// with a good end record, `commit` runs (it returns false with a text when the rows could not be
// made final) and `count` receives the end record's count. Returns 0 on success, -10000 for a
// transient failure (a cut answer included), another nonzero code otherwise; on failure the
// last-error text is set.
int32_t PostForRecords(const std::string& url, const nlohmann::json& body, RecordHandler& handler,
                       const std::function<bool(std::string& error)>& commit,
                       int64_t* count = nullptr);

// A failure before any request: sets the last-error text and returns -1.
int32_t FailBeforeRequest(const std::string& text);

// A handler for answers whose rows are not wanted (execute, update).
class DiscardRows : public RecordHandler {
  public:
    bool OnColumns(const std::vector<std::string>&) override { return true; }
    bool OnRow(const std::vector<WireValue>&) override { return true; }
    std::string failure() const override { return {}; }
};

}  // namespace terv::net
