#include "fetch/RefreshWorkerWin32.h"

#include <gtest/gtest.h>

#include <string>

#include "app/AppState.h"
#include "fetch/RefreshWorker.h"
#include "peers.h"

namespace {

class CountingView : public RefreshView {
  public:
    void Show(double shownTemperature, const char*) override {
        temperature = shownTemperature;
        ++shows;
    }
    double temperature = 0;
    int shows = 0;
};

} // namespace

TEST(RefreshWorkerWin32Test, ThreadRoutineRefreshesThroughItsView) {
    SetFetchSleep(ShortFetchPause);
    AppSettings settings{};
    std::string url = "http://" + Loopback(FeedPort()) + "/t.js?value=-4,5";
    snprintf(settings.SourceURL, sizeof settings.SourceURL, "%s", url.c_str());
    strcpy(settings.RemotePort, "80");
    PublishSettings(settings);

    CountingView view;
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, RefreshWorker, &view, 0, &threadId);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeThread(thread, &exitCode);
    CloseHandle(thread);
    SetFetchSleep(nullptr);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(view.shows, 1);
    EXPECT_EQ(view.temperature, -4.5);
}
