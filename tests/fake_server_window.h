#pragma once
// The whole program window against the scripted backend, whose server side
// is a temporary folder on disk: the base of the tests that drive transfers
// and the lists through the program's routing.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/Router.h"
#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "local/LocalList.h"
#include "tests/app_test_support.h"
#include "tests/fake_ftp/FakeControls.h"
#include "tests/transfer_test_support.h"

class FakeServerWindowTest : public ::testing::Test {
 protected:
  TemporaryWorkingDirectory cwd;
  FakeControls fake;
  BoxScript boxes;
  TestWindow program;
  AppState& state = program.state;
  QTemporaryDir serverDir, localDir;
  QString server, local;  // both ending in "/"

  void SetUp() override {
    ASSERT_NE(fake.reset, nullptr);
    fake.reset();
    server = serverDir.path() + QLatin1Char('/');
    local = localDir.path() + QLatin1Char('/');
    fake.setServerRoot(FakeControls::Text(serverDir.path()));
    SetupLocalList(state, [this](EventType) { FollowLocalList(state); });
    ASSERT_TRUE(LoadFtpLibrary(state, QStringLiteral("fake-ftp")));
    state.keyMaterial = TestKey();
    state.main.window->show();
  }
  void TearDown() override {
    fake.release();
    UnloadFtpLibrary(state);
  }

  void Route(const Event& event) { RouteEvent(state, event); }
  void Settle() { WaitForServerJob(state); }
  void ClickConnect() {
    state.lastConnectClickMs -= 1000;
    state.main.connectButton->click();
  }
  void Connect() {
    ClickConnect();
    Settle();
    ASSERT_EQ(state.connection, 1);
  }
};
