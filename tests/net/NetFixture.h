// Fixture of the client-library tests: every module of the client back at its start state, a
// fake central server, the recording UI port, an HTTP log in a fresh folder, short time limits.
#pragma once

#include <gtest/gtest.h>

#include "FakeCentral.h"
#include "HttpSession.h"
#include "KovSso.h"
#include "Kovicli.h"
#include "KovicliLib.h"
#include "NetState.h"
#include "SdoDriver.h"
#include "SidSde.h"
#include "TestSupport.h"
#include "ZolvinClient.h"
#include "platform/Cp1252.h"
#include "platform/UiPort.h"
#include "shell/base/LogFiles.h"
#include "velto_sso.h"

namespace terv::test {

inline void ResetClientState() {
    ResetNetState();
    net::SetTimeLimits({.connectMillis = 5000, .idleMillis = 800});
}

class NetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetClientState();
        ui.Reset();
        SetUiPort(&ui);
        B1_SetHTTPParams(server.base() + "kovJsSQL?function=", "", "");
        DrvSDESetHttpParams(server.base() + "kovJsSDO", "", "");
        InitLogs();
        OpenHttpLog(LogPath());
    }
    void TearDown() override {
        ResetClientState();
        SetUiPort(nullptr);
    }

    std::string LogPath() const { return dir / "httplog.log"; }
    // The HTTP log's bytes (Windows-1252, CR LF).
    std::string LogBytes() const { return ReadFileBytes(LogPath()); }
    // The text KOVICLIGetLastError hands out.
    static std::string LastError() {
        char buffer[1024];
        KOVICLIGetLastError(buffer, sizeof buffer);
        return buffer;
    }
    // Points the gateway and the spatial-data service at a port nobody listens on.
    void PointAtClosedPort() {
        const std::string dead = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/terv/";
        B1_SetHTTPParams(dead + "kovJsSQL?function=", "", "");
        DrvSDESetHttpParams(dead + "kovJsSDO", "", "");
    }

    TempFolder dir;
    FakeCentral server;
    RecordingUiPort ui;
};

}  // namespace terv::test
