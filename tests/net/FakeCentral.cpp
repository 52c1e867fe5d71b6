#include "FakeCentral.h"

#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace terv::test {
namespace {

// Writes the bytes at once, or one at a time `dripMillis` apart. False when the client is gone.
bool Send(httplib::DataSink& sink, const std::string& bytes, int dripMillis) {
    if (dripMillis <= 0)
        return sink.write(bytes.data(), bytes.size());
    for (char c : bytes) {
        std::this_thread::sleep_for(std::chrono::milliseconds(dripMillis));
        if (!sink.write(&c, 1))
            return false;
    }
    return true;
}

}  // namespace

FakeCentral::FakeCentral() : server_(std::make_unique<httplib::Server>()) {
    auto handler = [this](const httplib::Request& req, httplib::Response& res) {
        Handle(&req, &res);
    };
    server_->Get(".*", handler);
    server_->Post(".*", handler);
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

FakeCentral::~FakeCentral() {
    server_->stop();
    thread_.join();
}

std::string FakeCentral::base() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/terv/";
}

void FakeCentral::Enqueue(FakeAnswer answer) {
    std::lock_guard lock(mutex_);
    answers_.push_back(std::move(answer));
}

std::vector<FakeRequest> FakeCentral::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<FakeRequest> FakeCentral::OperationRequests() const {
    std::vector<FakeRequest> out;
    for (const FakeRequest& r : Requests())
        if (r.method == "POST" && r.path != "/terv/sso")
            out.push_back(r);
    return out;
}

FakeAnswer FakeCentral::NextAnswer() {
    std::lock_guard lock(mutex_);
    if (answers_.empty())
        return Records({"E\tOK\t0"});
    FakeAnswer a = std::move(answers_.front());
    answers_.pop_front();
    return a;
}

void FakeCentral::Handle(const void* request, void* response) {
    const auto& req = *static_cast<const httplib::Request*>(request);
    auto& res = *static_cast<httplib::Response*>(response);
    FakeRequest seen;
    seen.method = req.method;
    seen.path = req.path;
    seen.function = req.get_param_value("function");
    seen.body = nlohmann::json::parse(req.body, nullptr, false);
    if (seen.body.is_discarded())
        seen.body = nullptr;
    seen.cookie = req.get_header_value("Cookie");
    seen.remotePort = req.remote_port;
    seen.authorization = req.get_header_value("Authorization");
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(seen);
    }

    if (req.path == "/terv/kovJsSDO" && req.method == "GET") {
        const bool known =
            seen.authorization ==
            httplib::make_basic_authentication_header(probeUser, probePassword).second;
        const bool session = seen.cookie.find("TERVSSO=") != std::string::npos;
        if (known || session) {
            res.set_content("riga\n" + clientName + "\n", "text/plain; charset=utf-8");
        } else {
            res.status = 401;
            res.set_content("credenziali non valide", "text/plain; charset=utf-8");
        }
        return;
    }
    if (req.path == "/terv/sso") {
        if (seen.function == "login" && seen.body.is_object() &&
            seen.body.value("password", "") == ssoPassword) {
            res.set_header("Set-Cookie",
                           "TERVSSO=sessione-" + seen.body.value("user", "") + "; Path=/");
            res.set_content("OK\n", "text/plain");
        } else if (seen.function == "logout") {
            res.set_header("Set-Cookie", "TERVSSO=; Path=/; Max-Age=0");
            res.set_content("OK\n", "text/plain");
        } else {
            res.status = 401;
            res.set_content("accesso negato", "text/plain");
        }
        return;
    }

    FakeAnswer answer = NextAnswer();
    if (answer.delayMillis > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(answer.delayMillis));
    if (answer.status != 200) {
        res.status = answer.status;
        res.set_content(answer.body, "text/plain; charset=utf-8");
        return;
    }
    res.set_chunked_content_provider("text/plain; charset=utf-8",
                                     [answer](size_t, httplib::DataSink& sink) {
                                         for (const std::string& line : answer.records) {
                                             if (!Send(sink, line + "\n", answer.dripMillis))
                                                 return false;
                                         }
                                         if (answer.cut)
                                             return false;  // the connection is dropped mid-body
                                         sink.done();
                                         return true;
                                     });
}

std::vector<std::string> RowsAnswer(const std::vector<std::string>& columns,
                                    const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::string> lines;
    std::string c = "C";
    for (const std::string& name : columns)
        c += "\t" + name;
    lines.push_back(c);
    for (const auto& row : rows) {
        std::string r = "R";
        for (const std::string& v : row)
            r += "\t" + v;
        lines.push_back(r);
    }
    lines.push_back("E\tOK\t" + std::to_string(rows.size()));
    return lines;
}

FakeAnswer ServerError(const std::string& text, bool transient) {
    return Records({std::string("E\tERR\t") + (transient ? "1" : "0") + "\t" + text});
}

FakeAnswer Records(std::vector<std::string> records) {
    FakeAnswer a;
    a.records = std::move(records);
    return a;
}

FakeAnswer HttpFailure(int status, const std::string& body) {
    FakeAnswer a;
    a.status = status;
    a.body = body;
    return a;
}

int ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

}  // namespace terv::test
