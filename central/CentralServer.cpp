// HTTP front of the central server.
#include "CentralServer.h"
#include "Orvexservlet.h"

#include <httplib.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>

#include <chrono>
#include <nlohmann/json.hpp>

#include "DemoData.h"
#include "Grants.h"
#include "Operations.h"
#include "PhotoStore.h"
#include "Schema.h"
#include "Sockets.h"
#include "SqlTokens.h"

namespace terv::central {

// Failures injected by tests through the fault request (only with test hooks on).
struct Faults {
    std::mutex mutex;
    int status = 0;
    int status_count = 0;
    long long cut_rows = -1;
    bool cut_close = true;
    int cut_count = 0;
    int delay_ms = 0;
    int delay_count = 0;

    int TakeStatus() {
        std::lock_guard<std::mutex> lock(mutex);
        if (status_count <= 0)
            return 0;
        --status_count;
        return status;
    }
    void TakeCut(long long* rows, bool* close) {
        std::lock_guard<std::mutex> lock(mutex);
        if (cut_count <= 0)
            return;
        --cut_count;
        *rows = cut_rows;
        *close = cut_close;
    }
    int TakeDelay() {
        std::lock_guard<std::mutex> lock(mutex);
        if (delay_count <= 0)
            return 0;
        --delay_count;
        return delay_ms;
    }
};

namespace {

constexpr const char* kText = "text/plain; charset=utf-8";

std::string CollapseSlashes(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out.push_back(c);
    }
    return out;
}

std::string DecodeBase64(const std::string& in) {
    static const std::string kChars =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    int value = 0, bits = -8;
    for (char c : in) {
        const size_t d = kChars.find(c);
        if (d == std::string::npos)
            break;
        value = (value << 6) + static_cast<int>(d);
        bits += 6;
        if (bits >= 0) {
            out.push_back(static_cast<char>((value >> bits) & 0xFF));
            bits -= 8;
        }
    }
    return out;
}

// HTTP Basic credentials of the request; false when there are none.
bool BasicCredentials(const httplib::Request& req, std::string* user, std::string* password) {
    const std::string header = req.get_header_value("Authorization");
    if (header.compare(0, 6, "Basic ") != 0)
        return false;
    const std::string pair = DecodeBase64(header.substr(6));
    const size_t colon = pair.find(':');
    if (colon == std::string::npos)
        return false;
    *user = pair.substr(0, colon);
    *password = pair.substr(colon + 1);
    return true;
}

void Answer(httplib::Response& res, int status, const std::string& body) {
    res.status = status;
    res.set_content(body, kText);
}

bool Member(const nlohmann::json& j, const char* name, std::string* out) {
    auto it = j.find(name);
    if (it == j.end() || !it->is_string())
        return false;
    *out = it->get<std::string>();
    return true;
}

}  // namespace

CentralServer::CentralServer(ServerOptions options)
    : options_(std::move(options)), faults_(std::make_unique<Faults>()) {}

CentralServer::~CentralServer() {
    Stop();
}

bool CentralServer::Start(std::string* error) {
    if (options_.mode != "plain" && options_.mode != "sso") {
        *error = "unknown mode " + options_.mode + " (plain or sso)";
        return false;
    }
    if (options_.db_path.empty()) {
        *error = "no database file given (--db FILE)";
        return false;
    }
    if (!themes_.Load(options_.resources, error))
        return false;
    functions_.clock_offset_seconds = options_.clock_offset_seconds;
    functions_.users_table = themes_.Name(kThemeUsers, "TERVUTENTI");
    ConnectionLimits limits;
    limits.max_value_bytes = options_.max_value_bytes;
    limits.statement_time = std::chrono::milliseconds(options_.statement_timeout_ms);
    pool_ = std::make_unique<ConnectionPool>(options_.db_path, &functions_, limits);
    {
        Lease conn = pool_->Acquire(error);
        if (!conn || !CreateSchema(*conn, themes_, error))
            return false;
        if (options_.demo_parcels >= 0 &&
            !GenerateDemoData(*conn, themes_, options_.resources, options_.demo_parcels, error)) {
            return false;
        }
    }
    signal(SIGPIPE, SIG_IGN);  // a client that goes away must not end the server
    http_ = std::make_unique<httplib::Server>();
    const size_t threads = static_cast<size_t>(std::max(1, options_.threads));
    http_->new_task_queue = [threads] { return new WorkerPool(threads); };
    http_->set_keep_alive_max_count(100000);
    // Answers go out at once: with Nagle's algorithm on, a reply written in pieces waited for the
    // client's delayed acknowledgement, about 40 ms a request. Accepted sockets inherit this.
    http_->set_socket_options([](socket_t sock) {
        int on = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    });
    const time_t request_seconds =
        static_cast<time_t>(std::max<long long>(1, (options_.request_timeout_ms + 999) / 1000));
    http_->set_keep_alive_timeout(request_seconds);
    http_->set_read_timeout(request_seconds, 0);
    http_->set_write_timeout(30, 0);
    http_->set_payload_max_length(static_cast<size_t>(options_.max_body_bytes));
    http_->set_error_handler([this](const httplib::Request& req, httplib::Response& res) {
        if (res.status != 413)
            return;
        // The HTTP library takes form bodies of a few kilobytes only; requests are JSON.
        if (req.get_header_value("Content-Type") == "application/x-www-form-urlencoded")
            return Answer(res, 413, "request body too large for a form: send application/json");
        Answer(res, 413,
               "request body larger than the server's limit of " +
                   std::to_string(options_.max_body_bytes) + " bytes");
    });
    http_->set_logger([this](const httplib::Request& req, const httplib::Response&) {
        deadlines_.Answered(PeerKey(req.remote_addr, req.remote_port));
    });
    auto route = [this](const httplib::Request& req, httplib::Response& res) { Route(req, res); };
    http_->Get(".*", route);
    http_->Post(".*", route);
    if (options_.port == 0) {
        port_ = http_->bind_to_any_port(options_.host);
    } else {
        port_ = http_->bind_to_port(options_.host, options_.port) ? options_.port : -1;
    }
    if (port_ <= 0) {
        *error = "cannot listen on " + options_.host + ":" + std::to_string(options_.port);
        return false;
    }
    WidenBacklog(port_);
    deadlines_.Start(port_, std::chrono::milliseconds(options_.request_timeout_ms));
    thread_ = std::thread([this] { http_->listen_after_bind(); });
    // A stop that came before the loop runs would be lost: wait for it.
    while (!http_->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void CentralServer::Stop() {
    stopping_ = true;
    if (http_)
        http_->stop();
    if (thread_.joinable()) {
        // Idle keep-alive connections and slow clients must not hold the stop back.
        ForEachAcceptedSocket(port_, [](int fd, const std::string&) { shutdown(fd, SHUT_RDWR); });
        thread_.join();
    }
    deadlines_.Stop();
}

std::vector<size_t> CentralServer::WriteBatches() const {
    std::lock_guard<std::mutex> lock(batches_mutex_);
    return write_batches_;
}

void CentralServer::Route(const httplib::Request& req, httplib::Response& res) {
    deadlines_.Handling(PeerKey(req.remote_addr, req.remote_port));
    const std::string path = CollapseSlashes(req.path);
    const size_t slash = path.rfind('/');
    const std::string last = path.substr(slash + 1);
    const std::string base = path.substr(0, slash + 1);
    if (last == "kovJsSDO" && req.method == "GET")
        return Probe(req, res, base);
    if (last == "Orvexservlet")
        return Orvex(req, res);
    if (last == "Fotoservlet")
        return Photos(req, res);
    if (req.method != "POST")
        return Answer(res, 404, "not found: " + path);
    if (last == "kovJsSQL")
        return Operation(req, res, true);
    if (last == "kovJsSDO")
        return Operation(req, res, false);
    if (last == "sso")
        return SingleSignOn(req, res);
    if (last == "terv-test" && options_.test_hooks)
        return TestFault(req, res);
    Answer(res, 404, "not found: " + path);
}

void CentralServer::Orvex(const httplib::Request& req, httplib::Response& res) {
    std::string user;
    if (options_.mode == "sso" && !SessionUser(req, res, &user))
        return;
    const Caller caller{PeerKey(req.remote_addr, req.remote_port), user};
    const OrvexContext ctx{[this, caller](std::string* error) { return Connect(caller, error); },
                           options_.max_answer_bytes, AnswerTooLong()};
    ServeOrvex(ctx, req, res);
}

bool CentralServer::KnownCredentials(const std::string& user, const std::string& password) {
    // A NUL would end the text early in the comparison: such credentials are never valid.
    if (user.empty() || user.find('\0') != std::string::npos ||
        password.find('\0') != std::string::npos) {
        return false;
    }
    std::string error;
    Lease conn = pool_->Acquire(&error);
    if (!conn)
        return false;
    const std::string sql = "SELECT 1 FROM main.\"" + functions_.users_table +
                            "\" WHERE upper(UTENTE)=upper(?1) AND PWD=?2 LIMIT 1";
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(conn->db(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        return false;
    sqlite3_bind_text(stmt, 1, user.data(), static_cast<int>(user.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, password.data(), static_cast<int>(password.size()),
                      SQLITE_TRANSIENT);
    const bool found = sqlite3_step(stmt) == SQLITE_ROW;
    sqlite3_finalize(stmt);
    return found;
}

void CentralServer::Probe(const httplib::Request& req, httplib::Response& res,
                          const std::string& base) {
    if (int status = faults_->TakeStatus())
        return Answer(res, status, "injected failure");
    const std::string client = "TERVCATASTO\n<client>" + options_.client_name + "</client>\n";
    if (options_.mode == "plain")
        return Answer(res, 200, client);
    std::string session_user;
    const std::string token = CookieValue(req.get_header_value("Cookie"), kSessionCookie);
    if (!token.empty() && sessions_.Find(token, &session_user))
        return Answer(res, 200, client);
    std::string user, password;
    if (!BasicCredentials(req, &user, &password) || !KnownCredentials(user, password)) {
        res.set_header("WWW-Authenticate", "Basic realm=\"TERV\"");
        return Answer(res, 401, "HTTP 401: unknown user or wrong password");
    }
    const std::string host = req.get_header_value("Host");
    Answer(res, 200, "TERVCATASTO\n<sso_server>http://" + host + base + "sso</sso_server>\n");
}

void CentralServer::SingleSignOn(const httplib::Request& req, httplib::Response& res) {
    const std::string function = req.get_param_value("function");
    if (function == "logout") {
        sessions_.Close(CookieValue(req.get_header_value("Cookie"), kSessionCookie));
        res.set_header("Set-Cookie", std::string(kSessionCookie) + "=; Path=/; Max-Age=0");
        return Answer(res, 200, "OK\n");
    }
    if (function != "login")
        return Answer(res, 400, "unknown function: " + function);
    nlohmann::json body = nlohmann::json::parse(req.body, nullptr, false);
    std::string user, password;
    if (body.is_discarded() || !body.is_object() || !Member(body, "user", &user) ||
        !Member(body, "password", &password)) {
        return Answer(res, 400, "malformed login request");
    }
    if (options_.mode != "sso" || !KnownCredentials(user, password)) {
        return Answer(res, 401, "HTTP 401: unknown user or wrong password");
    }
    const std::string token = sessions_.Open(user);
    res.set_header("Set-Cookie", std::string(kSessionCookie) + "=" + token + "; Path=/; HttpOnly");
    Answer(res, 200, "OK\n");
}

void CentralServer::Photos(const httplib::Request& req, httplib::Response& res) {
    std::string user, password;
    if (options_.mode == "sso") {
        if (!SessionUser(req, res, &user))
            return;
    } else if (!BasicCredentials(req, &user, &password) || !KnownCredentials(user, password)) {
        // The photo loader has no SQL check of its own: the store checks the password here.
        res.set_header("WWW-Authenticate", "Basic realm=\"TERV\"");
        return Answer(res, 401, "HTTP 401: unknown user or wrong password");
    }
    ServePhotos(*pool_, req, res);
}

bool CentralServer::SessionUser(const httplib::Request& req, httplib::Response& res,
                                std::string* user) {
    const std::string token = CookieValue(req.get_header_value("Cookie"), kSessionCookie);
    if (token.empty() || !sessions_.Find(token, user)) {
        Answer(res, 401, "HTTP 401: single sign-on session required");
        return false;
    }
    return true;
}

void CentralServer::Operation(const httplib::Request& req, httplib::Response& res, bool gateway) {
    const std::string function = req.get_param_value("function");
    nlohmann::json body = nlohmann::json::parse(req.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
        return Answer(res, 400, "malformed request: the body is not a JSON object");
    }
    std::string user, sql, descriptor, session_user;
    Member(body, "user", &user);
    if (options_.mode == "sso") {
        if (!SessionUser(req, res, &session_user))
            return;
        if (!user.empty() && UpperAscii(user) != UpperAscii(session_user)) {
            return Answer(res, 401, "HTTP 401: user " + user + " is not the session's user");
        }
    }
    const bool is_select = gateway ? function == "select" : function == "read";
    const bool is_change = gateway ? function == "execute" : function == "update";
    if (!is_select && !is_change)
        return Answer(res, 400, "unknown function: " + function);
    std::vector<WriteRequest> writes;
    if (gateway && !Member(body, "sql", &sql))
        return Answer(res, 400, "missing member: sql");
    if (!gateway && is_select && !Member(body, "descriptor", &descriptor)) {
        return Answer(res, 400, "missing member: descriptor");
    }
    if (!gateway && is_change) {
        auto it = body.find("writes");
        if (it == body.end() || !it->is_array())
            return Answer(res, 400, "missing member: writes");
        for (const nlohmann::json& w : *it) {
            WriteRequest r;
            if (!w.is_object() || !Member(w, "table", &r.table) || !Member(w, "op", &r.op) ||
                !Member(w, "attributes", &r.attributes)) {
                return Answer(res, 400, "malformed write: table, op and attributes are needed");
            }
            Member(w, "where", &r.where);
            writes.push_back(std::move(r));
        }
    }
    if (int status = faults_->TakeStatus())
        return Answer(res, status, "injected failure");
    if (int delay = faults_->TakeDelay()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    }
    std::string error;
    const Caller caller{PeerKey(req.remote_addr, req.remote_port), session_user};
    if (is_change) {
        std::string records;
        RecordWriter out([&records](const char* d, size_t n) {
            records.append(d, n);
            return true;
        });
        Lease conn = Connect(caller, &error);
        if (!conn) {
            out.EndError(true, "ORA-12516: no connection available (" + error + ")");
        } else if (gateway) {
            RunExecute(*conn, sql, out);
        } else {
            {
                std::lock_guard<std::mutex> lock(batches_mutex_);
                write_batches_.push_back(writes.size());
            }
            RunWrites(*conn, writes, out);
        }
        return Answer(res, 200, records);
    }
    if (!gateway) {
        std::string derr;
        if (!DescriptorSelect(descriptor, &sql, &derr)) {
            return Answer(res, 200, "E\tERR\t0\t" + EscapeField(derr) + "\n");
        }
    }
    struct Job {
        std::string sql;
        Caller caller;
        StreamControl control;
        bool close_on_cut = true;
    };
    auto job = std::make_shared<Job>();
    job->sql = sql;
    job->caller = caller;
    job->control.should_stop = [this] { return stopping_.load(); };
    faults_->TakeCut(&job->control.cut_after_rows, &job->close_on_cut);
    res.status = 200;
    res.set_chunked_content_provider(kText, [this, job](size_t, httplib::DataSink& sink) {
        std::string err;
        Lease conn = Connect(job->caller, &err);
        // Answer bytes are counted; past the limit the stream ends with an error record.
        long long sent = 0;
        bool too_long = false;
        RecordWriter out([&](const char* d, size_t n) {
            if (sent + static_cast<long long>(n) > options_.max_answer_bytes) {
                too_long = true;
                const std::string end = "E\tERR\t0\t" + AnswerTooLong() + "\n";
                sink.write(end.data(), end.size());
                return false;
            }
            sent += static_cast<long long>(n);
            if (conn)
                conn->guard().Extend();
            return sink.write(d, n);
        });
        if (!conn) {
            out.EndError(true, "ORA-12516: no connection available (" + err + ")");
            sink.done();
            return true;
        }
        const StreamEnd end = StreamSelect(*conn, job->sql, out, job->control);
        if (end == StreamEnd::kComplete || too_long ||
            (end == StreamEnd::kCut && !job->close_on_cut)) {
            sink.done();
            return true;
        }
        return false;  // the connection is closed without the end of the stream
    });
}

Lease CentralServer::Connect(const Caller& caller, std::string* error) {
    Lease conn = pool_->Acquire(error);
    if (!conn)
        return conn;
    RequestScope scope;
    if (options_.mode == "sso") {
        scope.grants = Grants::ForRole(themes_, caller.session_user,
                                       RoleOf(conn->db(), themes_, caller.session_user));
    }
    auto watch = std::make_shared<PeerWatch>(port_, caller.peer);
    scope.cancelled = [this, watch] { return stopping_.load() || watch->Gone(); };
    conn.Arm(std::move(scope));
    return conn;
}

std::string CentralServer::AnswerTooLong() const {
    return "ORA-04030: out of process memory: the answer exceeds the server's limit of " +
           std::to_string(options_.max_answer_bytes) + " bytes";
}

void CentralServer::TestFault(const httplib::Request& req, httplib::Response& res) {
    nlohmann::json body = nlohmann::json::parse(req.body, nullptr, false);
    if (body.is_discarded() || !body.is_object())
        return Answer(res, 400, "malformed fault");
    const int count = body.value("count", 1);
    std::lock_guard<std::mutex> lock(faults_->mutex);
    if (body.contains("status")) {
        faults_->status = body.value("status", 503);
        faults_->status_count = count;
    }
    if (body.contains("cut_after_rows")) {
        faults_->cut_rows = body.value("cut_after_rows", 0LL);
        faults_->cut_close = body.value("close", true);
        faults_->cut_count = count;
    }
    if (body.contains("delay_ms")) {
        faults_->delay_ms = body.value("delay_ms", 0);
        faults_->delay_count = count;
    }
    Answer(res, 200, "OK\n");
}

}  // namespace terv::central
