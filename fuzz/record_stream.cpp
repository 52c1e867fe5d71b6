// Fuzz target: the reader of the server's record stream. The same bytes give the same records
// and outcome whether they arrive at once or in pieces of any size (the first byte sets it).
#include <algorithm>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "RecordStream.h"

namespace {

using terv::net::RecordStreamReader;
using terv::net::WireValue;

// Keeps every record as one line of text, to compare two readings.
class Collector : public terv::net::RecordHandler {
  public:
    bool OnColumns(const std::vector<std::string>& names) override {
        log += "C";
        for (const std::string& n : names)
            log += "|" + n;
        log += "\n";
        return true;
    }
    bool OnRow(const std::vector<WireValue>& values) override {
        log += "R";
        for (const WireValue& v : values)
            log += std::string("|") + v.type + v.text;
        log += "\n";
        return true;
    }
    std::string failure() const override { return {}; }
    std::string log;
};

std::string Outcome(const RecordStreamReader& r, const Collector& c) {
    return c.log + (r.finished() ? "finished " : "open ") + (r.succeeded() ? "ok " : "err ") +
           std::to_string(r.count()) + (r.transient() ? " transient " : " final ") + r.errorText() +
           "|" + r.malformedText() + "|" + std::to_string(r.rowsSeen());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    terv::fuzz::FuzzInput in(data, size);
    const size_t piece = in.Byte() % 16 + 1;
    const std::string_view body = in.Rest();

    Collector whole;
    RecordStreamReader once(whole);
    once.Feed(body);

    Collector pieces;
    RecordStreamReader split(pieces);
    for (size_t at = 0; at < body.size(); at += piece) {
        if (!split.Feed(body.substr(at, std::min(piece, body.size() - at))))
            break;
    }
    terv::fuzz::Require(Outcome(once, whole) == Outcome(split, pieces), "pieces read as the whole");
    return 0;
}
