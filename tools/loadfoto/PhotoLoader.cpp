#include "PhotoLoader.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

#include "data/TextUtil.h"
#include "data/net/HttpSession.h"
#include "data/net/KovSso.h"
#include "data/net/velto_sso.h"
#include "platform/VbText.h"

namespace terv::loadfoto {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSeparator = "\xC3\x9E";  // "Þ" in UTF-8

std::string RandomCredential() {
    static std::mt19937_64 engine{std::random_device{}()};
    return std::to_string(engine());
}

// One request with the operator's credentials; the answer's body in *body.
net::HttpOutcome Send(const LoaderArgs& args, const std::string& url, bool post, std::string body,
                      std::string* answer) {
    net::HttpRequest request;
    request.url = url;
    request.post = post;
    request.body = std::move(body);
    request.contentType = "application/octet-stream";
    request.basicAuth = true;
    request.user = args.user;
    request.password = args.password;
    answer->clear();
    return net::Perform(request, [answer](std::string_view bytes) {
        answer->append(bytes);
        return true;
    });
}

net::HttpOutcome Probe(const LoaderArgs& args, std::string* answer) {
    return Send(args, args.server + "kovJsSDO", false, "", answer);
}

bool ReadBytes(const fs::path& file, std::string* bytes) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// One photo in the upload folder: the picture and its data file, found ignoring letter case.
struct PhotoPair {
    std::string name;
    fs::path jpg, dat;
};

std::vector<PhotoPair> PairsOf(const std::string& folder) {
    std::map<std::string, PhotoPair> byName;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec))
            continue;
        const fs::path& p = entry.path();
        const std::string ext = LCase(p.extension().string());
        PhotoPair& pair = byName[p.stem().string()];
        pair.name = p.stem().string();
        if (ext == ".jpg")
            pair.jpg = p;
        else if (ext == ".dat")
            pair.dat = p;
    }
    std::vector<PhotoPair> out;
    for (auto& [name, pair] : byName)
        if (!pair.jpg.empty() || !pair.dat.empty())
            out.push_back(pair);
    return out;
}

std::string UploadUrl(const LoaderArgs& args, const std::string& name, size_t jpgBytes) {
    return args.server + "Fotoservlet?function=upload&name=" + name +
           "&jpg=" + std::to_string(jpgBytes);
}

enum class Sent { kStored, kAlready, kRefused, kUnreachable };

// Sends one pair, retrying once when the failure is worth it.
Sent SendPair(const LoaderArgs& args, const PhotoPair& pair, std::string* text) {
    std::string jpg, dat;
    if (!ReadBytes(pair.jpg, &jpg) || !ReadBytes(pair.dat, &dat)) {
        *text = "file illeggibile";
        return Sent::kRefused;
    }
    net::HttpOutcome o;
    for (int attempt = 0; attempt < 2; ++attempt) {
        o = Send(args, UploadUrl(args, pair.name, jpg.size()), true, jpg + dat, text);
        if (o.code != net::kTransient)
            break;
    }
    if (o.code == net::kOk)
        return text->rfind("OK already", 0) == 0 ? Sent::kAlready : Sent::kStored;
    *text = o.error;
    return o.code == net::kTransient ? Sent::kUnreachable : Sent::kRefused;
}

// Names travel in the request's address; the store takes these characters only.
bool SafeName(const std::string& name) {
    return !name.empty() && name.size() <= 25 &&
           name.find_first_not_of(
               "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-") ==
               std::string::npos;
}

// A data file left alone by a run stopped between its two deletions: gone when the server holds
// the same bytes under its name.
bool StoredLeftover(const LoaderArgs& args, const PhotoPair& pair) {
    std::string dat, stored;
    if (pair.dat.empty() || !ReadBytes(pair.dat, &dat))
        return false;
    const net::HttpOutcome o =
        Send(args, args.server + "Fotoservlet?function=read&part=dat&name=" + pair.name, false, "",
             &stored);
    std::error_code ec;
    return o.code == net::kOk && stored == dat && fs::remove(pair.dat, ec);
}

bool RemovePair(const PhotoPair& pair, std::string* text) {
    std::error_code ec;
    fs::remove(pair.jpg, ec);
    if (!ec)
        fs::remove(pair.dat, ec);
    if (ec)
        *text = ec.message();
    return !ec;
}

}  // namespace

bool ParseLoaderArgument(const std::string& argument, LoaderArgs* out) {
    std::string sep = kSeparator;
    size_t first = argument.find(sep);
    if (first == std::string::npos) {
        sep = "\xDE";
        first = argument.find(sep);
    }
    const size_t second =
        first == std::string::npos ? std::string::npos : argument.find(sep, first + sep.size());
    if (second == std::string::npos)
        return false;
    out->server = argument.substr(0, first);
    out->user = argument.substr(first + sep.size(), second - first - sep.size());
    out->password = argument.substr(second + sep.size());
    if (!out->server.empty() && out->server.back() != '/')
        out->server += "/";
    return out->server.size() > 1 && !out->user.empty();
}

bool LoaderLogin(const LoaderArgs& args, std::string* error) {
    std::string answer;
    LoaderArgs stranger = args;
    stranger.user = RandomCredential();
    stranger.password = RandomCredential();
    net::HttpOutcome o = Probe(stranger, &answer);
    if (o.code != net::kOk && o.error.find(" 401") != std::string::npos)
        o = Probe(args, &answer);
    if (o.code != net::kOk) {
        *error = o.error;
        return false;
    }
    if (answer.find("sso_server") != std::string::npos) {
        SsoConnect(GetSsoServer(answer), args.server);
        if (velto_sso_login(gSsoHandle, args.user, args.password, "BACK OFFICE") != 0) {
            *error = net::LastErrorText();
            return false;
        }
    }
    o = Send(args, args.server + "Fotoservlet?function=login", false, "", &answer);
    if (o.code != net::kOk)
        *error = o.error;
    return o.code == net::kOk;
}

LoaderCounts UploadFolder(const LoaderArgs& args, const std::string& folder,
                          const std::function<void(const std::string&)>& report) {
    const std::vector<PhotoPair> pairs = PairsOf(folder);
    LoaderCounts counts;
    counts.found = static_cast<int>(pairs.size());
    for (size_t i = 0; i < pairs.size(); ++i) {
        const PhotoPair& pair = pairs[i];
        const std::string head = "Foto " + std::to_string(i + 1) + "/" +
                                 std::to_string(pairs.size()) + " " + pair.name + ": ";
        if (!SafeName(pair.name)) {
            ++counts.failed;
            report(head + "nome non valido, non inviata");
            continue;
        }
        if (pair.jpg.empty() && StoredLeftover(args, pair)) {
            ++counts.already;
            report(head + "già presente sul server");
            continue;
        }
        if (pair.jpg.empty() || pair.dat.empty()) {
            ++counts.failed;
            report(head +
                   (pair.jpg.empty() ? "file dati senza immagine" : "immagine senza file dati") +
                   ", non inviata");
            continue;
        }
        std::string text;
        const Sent sent = SendPair(args, pair, &text);
        if (sent == Sent::kUnreachable) {
            counts.failed += static_cast<int>(pairs.size() - i);
            report(head + "server non raggiungibile (" + text + "), invio interrotto");
            break;
        }
        if (sent == Sent::kRefused) {
            ++counts.failed;
            report(head + "non inviata: " + text);
            continue;
        }
        if (!RemovePair(pair, &text)) {
            ++counts.failed;
            report(head + "inviata, ma non cancellata: " + text);
            continue;
        }
        ++(sent == Sent::kStored ? counts.sent : counts.already);
        report(head + (sent == Sent::kStored ? "inviata" : "già presente sul server"));
    }
    return counts;
}

}  // namespace terv::loadfoto
