// The connections the server accepted, seen from the process: enumerated by the server's port,
// watched for a client that left, and a pool of worker threads that grows with the load.
#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace terv::central {

// Calls `fn(fd, peer)` for every connected socket of this process whose local port is `port`;
// `peer` is "address:port". The descriptor is a duplicate owned by the call, so shutting it
// down always reaches the socket that was looked at.
void ForEachAcceptedSocket(int port, const std::function<void(int fd, const std::string&)>& fn);

// Lets the listening socket of `port` queue as many connections as the system allows, so that
// a burst of clients is accepted at once rather than retried by their systems.
void WidenBacklog(int port);

// "address:port" of a client as the HTTP library reports it.
std::string PeerKey(const std::string& address, int port);

// Whether the client of one request closed its connection. The socket is looked up the first
// time it is needed, so a quick request pays nothing.
class PeerWatch {
  public:
    PeerWatch(int server_port, std::string peer) : port_(server_port), peer_(std::move(peer)) {}
    ~PeerWatch();
    bool Gone();

  private:
    int port_;
    std::string peer_;
    int fd_ = -1;
    bool looked_ = false;
};

// Closes connections that take longer than `limit` to deliver a whole request, counted from
// their acceptance or from their previous answer (slow or idle clients), so that they cannot
// hold the workers.
class RequestDeadlines {
  public:
    void Start(int port, std::chrono::milliseconds limit);
    void Stop();
    void Handling(const std::string& peer);  // a request was read
    void Answered(const std::string& peer);  // its answer went out

  private:
    void Run();

    struct Peer {
        bool handling = false;
        std::chrono::steady_clock::time_point since;
    };
    int port_ = 0;
    std::chrono::milliseconds limit_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::map<std::string, Peer> peers_;
    std::thread thread_;
};

// Workers of the HTTP server: a new thread whenever every worker is busy, up to `max_threads`;
// beyond that requests wait for a free worker.
class WorkerPool : public httplib::TaskQueue {
  public:
    explicit WorkerPool(size_t max_threads) : max_(max_threads < 1 ? 1 : max_threads) {}
    ~WorkerPool() override { shutdown(); }
    void enqueue(std::function<void()> fn) override;
    void shutdown() override;

  private:
    void Work();

    size_t max_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    size_t idle_ = 0;
    bool shutdown_ = false;
};

}  // namespace terv::central
