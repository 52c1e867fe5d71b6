#include "RecordRequest.h"

#include "HttpSession.h"

namespace terv::net {
namespace {

int32_t Fail(int32_t code, std::string text) {
    SetLastErrorText(std::move(text));
    return code;
}

}  // namespace

int32_t FailBeforeRequest(const std::string& text) {
    return Fail(kFailed, text);
}

int32_t PostForRecords(const std::string& url, const nlohmann::json& body, RecordHandler& handler,
                       const std::function<bool(std::string& error)>& commit, int64_t* count) {
    HttpRequest request;
    request.url = url;
    request.post = true;
    request.contentType = "application/json";
    // Texts that are not valid UTF-8 travel with replacement characters rather than failing.
    request.body = body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);

    RecordStreamReader reader(handler);
    const HttpOutcome outcome =
        Perform(request, [&reader](std::string_view bytes) { return reader.Feed(bytes); });
    if (outcome.stopped) {
        return Fail(kFailed, reader.malformed() ? reader.malformedText() : handler.failure());
    }
    if (outcome.code != kOk)
        return Fail(outcome.code, outcome.error);
    if (!reader.finished()) {
        return Fail(kTransient, "The server's answer ended before its end record (" +
                                    std::to_string(reader.rowsSeen()) + " rows received)");
    }
    if (!reader.succeeded()) {
        return Fail(reader.transient() ? kTransient : kFailed, reader.errorText());
    }
    std::string error;
    if (commit && !commit(error))
        return Fail(kFailed, error);
    if (count)
        *count = reader.count();
    return kOk;
}

}  // namespace terv::net
