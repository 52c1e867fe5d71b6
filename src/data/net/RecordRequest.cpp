#include "RecordRequest.h"

#include "HttpSession.h"

namespace terv::net {
namespace {

int32_t Fail(int32_t code, std::string text) {
    SetLastErrorText(std::move(text));
    return code;
}

// The handler of answers without rows: the reader refuses any row before it gets here.
class NoRows : public RecordHandler {
  public:
    bool OnColumns(const std::vector<std::string>&) override { return false; }
    bool OnRow(const std::vector<WireValue>&) override { return false; }
    std::string failure() const override { return {}; }
};

std::string Cut(const RecordStreamReader& reader) {
    return "The server's answer ended before its end record (" + std::to_string(reader.rowsSeen()) +
           " rows received)";
}

int32_t Post(const std::string& url, const nlohmann::json& body, RecordStreamReader& reader,
             const std::function<bool(std::string& error)>& commit) {
    HttpRequest request;
    request.url = url;
    request.post = true;
    request.contentType = "application/json";
    // Texts that are not valid UTF-8 travel with replacement characters rather than failing.
    request.body = body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);

    const HttpOutcome outcome =
        Perform(request, [&reader](std::string_view bytes) { return reader.Feed(bytes); });
    // Rows still being added come first: one the handler refuses ends the request there.
    if (!reader.Drain() || outcome.stopped)
        return Fail(kFailed, reader.stopText());
    // A good answer whose connection broke mid-way is told in the answer's own terms.
    if (outcome.code == kTransient && outcome.status == 200 && !outcome.timedOut)
        return Fail(kTransient, Cut(reader));
    if (outcome.code != kOk)
        return Fail(outcome.code, outcome.error);
    if (!reader.finished())
        return Fail(kTransient, Cut(reader));
    if (!reader.succeeded())
        return Fail(reader.transient() ? kTransient : kFailed, reader.errorText());
    std::string error;
    if (commit && !commit(error))
        return Fail(kFailed, error);
    return kOk;
}

}  // namespace

int32_t FailBeforeRequest(const std::string& text) {
    return Fail(kFailed, text);
}

int32_t PostForRows(const std::string& url, const nlohmann::json& body, RecordHandler& handler,
                    const std::function<bool(std::string& error)>& commit) {
    RecordStreamReader reader(handler, AnswerKind::kRows);
    return Post(url, body, reader, commit);
}

int32_t PostForChanges(const std::string& url, const nlohmann::json& body,
                       std::vector<WriteFailure>* failures) {
    NoRows none;
    RecordStreamReader reader(none, failures ? AnswerKind::kWriteBatch : AnswerKind::kChanges);
    const int32_t result = Post(url, body, reader, nullptr);
    if (failures) {
        failures->clear();
        if (reader.finished() && !reader.malformed())
            *failures = reader.writeFailures();
    }
    return result;
}

}  // namespace terv::net
