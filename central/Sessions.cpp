// Single sign-on sessions.
#include "Sessions.h"

#include <random>

namespace terv::central {

std::string Sessions::Open(const std::string& user) {
    static const char kHex[] = "0123456789abcdef";
    std::random_device rd;
    std::string token;
    for (int i = 0; i < 32; ++i)
        token.push_back(kHex[rd() % 16]);
    std::lock_guard<std::mutex> lock(mutex_);
    users_[token] = user;
    return token;
}

bool Sessions::Find(const std::string& token, std::string* user) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = users_.find(token);
    if (it == users_.end())
        return false;
    *user = it->second;
    return true;
}

void Sessions::Close(const std::string& token) {
    std::lock_guard<std::mutex> lock(mutex_);
    users_.erase(token);
}

std::string CookieValue(const std::string& header, const std::string& name) {
    size_t pos = 0;
    while (pos < header.size()) {
        size_t end = header.find(';', pos);
        if (end == std::string::npos)
            end = header.size();
        std::string part = header.substr(pos, end - pos);
        const size_t b = part.find_first_not_of(' ');
        if (b != std::string::npos)
            part.erase(0, b);
        if (part.compare(0, name.size() + 1, name + "=") == 0)
            return part.substr(name.size() + 1);
        pos = end + 1;
    }
    return "";
}

}  // namespace terv::central
