// One operation request of the gateway or the spatial-data service: a JSON POST whose answer is
// a record stream. Shared by the gateway client and the spatial-data driver.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "RecordStream.h"

namespace terv::net {

// Posts a select or a read to `url` and hands the answer's rows to `handler`. When the answer
// ended with a good end record, `commit` runs (it returns false with a text when the rows could
// not be made final). Returns 0 on success, -10000 for a transient failure (an answer cut short
// included), another nonzero code otherwise; on failure the last-error text is set.
int32_t PostForRows(const std::string& url, const nlohmann::json& body, RecordHandler& handler,
                    const std::function<bool(std::string& error)>& commit);

// Posts an execute or a write batch; results as PostForRows. With `failures` the answer is a
// write batch's: its failed writes (empty unless the answer arrived whole) are left there.
int32_t PostForChanges(const std::string& url, const nlohmann::json& body,
                       std::vector<WriteFailure>* failures = nullptr);

// A failure before any request: sets the last-error text and returns -1.
int32_t FailBeforeRequest(const std::string& text);

}  // namespace terv::net
