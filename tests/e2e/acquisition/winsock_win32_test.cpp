// Windows Sockets must be started before any client is used; the program
// does that in its main window, these tests for themselves.
#include <winsock2.h>

#include <gtest/gtest.h>

namespace {

class WinsockEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
    }
    void TearDown() override { WSACleanup(); }
};

const ::testing::Environment* const winsock =
    ::testing::AddGlobalTestEnvironment(new WinsockEnvironment);

} // namespace
