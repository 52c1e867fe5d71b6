// Accepted sockets, client watch, request deadlines and the worker pool.
#include "Sockets.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace terv::central {

namespace {

// Address text and port of a socket address; port -1 for other families.
int AddressOf(const sockaddr_storage& addr, std::string* text) {
    char buf[INET6_ADDRSTRLEN] = "";
    if (addr.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&addr);
        inet_ntop(AF_INET, &in->sin_addr, buf, sizeof buf);
        *text = buf;
        return ntohs(in->sin_port);
    }
    if (addr.ss_family == AF_INET6) {
        const auto* in = reinterpret_cast<const sockaddr_in6*>(&addr);
        inet_ntop(AF_INET6, &in->sin6_addr, buf, sizeof buf);
        *text = buf;
        return ntohs(in->sin6_port);
    }
    return -1;
}

// Calls `fn(fd)` with a duplicate of every socket of this process whose local port is `port`.
void ForEachSocketOnPort(int port, const std::function<void(int)>& fn) {
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr)
        return;
    while (dirent* entry = readdir(dir)) {
        const int listed = std::atoi(entry->d_name);
        if (listed <= 2 || listed == dirfd(dir))
            continue;
        const int fd = fcntl(listed, F_DUPFD_CLOEXEC, 0);
        if (fd < 0)
            continue;
        sockaddr_storage local{};
        socklen_t local_len = sizeof local;
        std::string local_text;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &local_len) == 0 &&
            AddressOf(local, &local_text) == port) {
            fn(fd);
        }
        close(fd);
    }
    closedir(dir);
}

}  // namespace

std::string PeerKey(const std::string& address, int port) {
    return address + ":" + std::to_string(port);
}

void ForEachAcceptedSocket(int port, const std::function<void(int, const std::string&)>& fn) {
    ForEachSocketOnPort(port, [&fn](int fd) {
        sockaddr_storage peer{};
        socklen_t peer_len = sizeof peer;
        std::string peer_text;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peer_len) == 0) {
            const int peer_port = AddressOf(peer, &peer_text);
            fn(fd, PeerKey(peer_text, peer_port));
        }
    });
}

void WidenBacklog(int port) {
    ForEachSocketOnPort(port, [](int fd) {
        int listening = 0;
        socklen_t len = sizeof listening;
        if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &len) == 0 && listening)
            listen(fd, SOMAXCONN);
    });
}

PeerWatch::~PeerWatch() {
    if (fd_ >= 0)
        close(fd_);
}

bool PeerWatch::Gone() {
    if (!looked_) {
        looked_ = true;
        ForEachAcceptedSocket(port_, [this](int fd, const std::string& peer) {
            if (fd_ < 0 && peer == peer_)
                fd_ = fcntl(fd, F_DUPFD_CLOEXEC, 0);
        });
    }
    if (fd_ < 0)
        return false;
    pollfd p{fd_, POLLRDHUP, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

void RequestDeadlines::Start(int port, std::chrono::milliseconds limit) {
    port_ = port;
    limit_ = limit;
    thread_ = std::thread([this] { Run(); });
}

void RequestDeadlines::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void RequestDeadlines::Handling(const std::string& peer) {
    std::lock_guard<std::mutex> lock(mutex_);
    peers_[peer] = {true, std::chrono::steady_clock::now()};
}

void RequestDeadlines::Answered(const std::string& peer) {
    std::lock_guard<std::mutex> lock(mutex_);
    peers_[peer] = {false, std::chrono::steady_clock::now()};
}

void RequestDeadlines::Run() {
    const auto tick = std::min<std::chrono::milliseconds>(limit_ / 4 + std::chrono::milliseconds(1),
                                                          std::chrono::milliseconds(500));
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, tick, [this] { return stop_; })) {
        const auto now = std::chrono::steady_clock::now();
        std::map<std::string, Peer> seen;
        lock.unlock();
        ForEachAcceptedSocket(port_, [&](int fd, const std::string& key) {
            std::lock_guard<std::mutex> inner(mutex_);
            auto it = peers_.find(key);
            const Peer peer = it == peers_.end() ? Peer{false, now} : it->second;
            seen[key] = peer;
            if (!peer.handling && now - peer.since > limit_)
                shutdown(fd, SHUT_RDWR);
        });
        lock.lock();
        // Connections gone from the process are forgotten; those touched during the scan stay.
        for (auto& [key, peer] : peers_) {
            if (seen.count(key) || peer.since >= now)
                seen[key] = peer;
        }
        peers_ = std::move(seen);
    }
}

void WorkerPool::enqueue(std::function<void()> fn) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(std::move(fn));
        if (jobs_.size() > idle_ && threads_.size() < max_)
            threads_.emplace_back([this] { Work(); });
    }
    ready_.notify_one();
}

void WorkerPool::shutdown() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (shutdown_)
            return;
        shutdown_ = true;
    }
    ready_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void WorkerPool::Work() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ++idle_;
            ready_.wait(lock, [this] { return shutdown_ || !jobs_.empty(); });
            --idle_;
            if (jobs_.empty())
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

}  // namespace terv::central
