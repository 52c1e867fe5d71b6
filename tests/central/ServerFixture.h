// An in-process terv-central on a free loopback port with a fresh demo database, and a plain
// HTTP client to talk to it.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "CentralServer.h"
#include "TestSupport.h"

namespace terv::central::test {

// The Cookie header of a single sign-on session of `user`; none when the login is refused.
inline httplib::Headers SessionHeaders(httplib::Client& client, const std::string& user,
                                       const std::string& password) {
    const nlohmann::json login = {
        {"user", user}, {"password", password}, {"application", "BACK OFFICE"}};
    auto res = client.Post("/terv/sso?function=login", login.dump(), "application/json");
    if (!res || res->status != 200)
        return {};
    const std::string cookie = res->get_header_value("Set-Cookie");
    return {{"Cookie", cookie.substr(0, cookie.find(';'))}};
}

class ServerFixture : public ::testing::Test {
  protected:
    // Starts the server; tests that need other options call it again after changing options_.
    void StartServer() {
        server_.reset();
        options_.port = 0;
        options_.db_path = folder_ / "central.db";
        options_.resources = TERV_CENTRAL_RESOURCES;
        server_ = std::make_unique<CentralServer>(options_);
        std::string error;
        ASSERT_TRUE(server_->Start(&error)) << error;
        client_ = std::make_unique<httplib::Client>("127.0.0.1", server_->port());
    }
    void SetUp() override {
        options_.demo_parcels = 120;
        options_.test_hooks = true;
        StartServer();
    }
    void TearDown() override {
        client_.reset();
        if (server_)
            server_->Stop();
    }

    httplib::Result Post(const std::string& path, const nlohmann::json& body,
                         const httplib::Headers& headers = {}) {
        return client_->Post(path.c_str(), headers, body.dump(), "application/json");
    }
    // The body of a gateway select that must answer 200.
    std::string Select(const std::string& sql, const std::string& user = "DEMO",
                       const httplib::Headers& headers = {}) {
        auto res = Post("/terv/kovJsSQL?function=select",
                        {{"user", user}, {"sql", sql}, {"fields", 1}}, headers);
        if (!res)
            return "no answer";
        if (res->status != 200)
            return "HTTP " + std::to_string(res->status) + ": " + res->body;
        return res->body;
    }
    httplib::Headers Session(const std::string& user, const std::string& password) {
        return SessionHeaders(*client_, user, password);
    }
    void Fault(const nlohmann::json& fault) {
        auto res = Post("/terv/terv-test", fault);
        ASSERT_TRUE(res);
        ASSERT_EQ(res->status, 200);
    }

    terv::test::TempFolder folder_;
    ServerOptions options_;
    std::unique_ptr<CentralServer> server_;
    std::unique_ptr<httplib::Client> client_;
};

}  // namespace terv::central::test
