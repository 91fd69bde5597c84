#include "fetch/RefreshWorker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/AppState.h"
#include "peers.h"
#include "tests/support/ScratchDir.h"

namespace {

const char NoDataTooltip[] = "\xCD\xE5\xF2 \xE4\xE0\xED\xED\xFB\xF5";
const char TooltipStart[] = "\xD2\xE5\xEC\xEF\xE5\xF0\xE0\xF2\xF3\xF0\xE0 \xE2 "
                            "\xCB\xE0\xF0\xE2\xE8\xED\xF1\xEA\xE5 [";
const char TooltipEnd[] = "] \xEF\xEE \xD6\xE5\xEB\xFC\xF1\xE8\xFE.";
const char NoConnectionLog[] = "  \xCD\xE5\xF2 \xF1\xEE\xE5\xE4\xE8\xED\xE5\xED\xE8\xFF "
                               "\xF1 \xF1\xE5\xF0\xE2\xE5\xF0\xEE\xEC.\r\n";
const char InvalidDataLog[] = "  \xCF\xEE\xEB\xF3\xF7\xE5\xED\xFB "
                              "\xED\xE5\xEA\xEE\xF0\xF0\xE5\xEA\xF2\xED\xFB\xE5 "
                              "\xE4\xE0\xED\xED\xFB\xE5 \xF1 \xF1\xE5\xF0\xE2\xE5\xF0\xE0.\r\n";
constexpr size_t StampLength = 17;

struct Shown {
    double temperature;
    std::string tooltip;
};

class RecordingView : public RefreshView {
  public:
    void Show(double temperature, const char* tooltip) override {
        shown.push_back({temperature, tooltip});
    }
    std::vector<Shown> shown;
};

std::string ReadingTooltip(const std::string& valueText) {
    return TooltipStart + valueText + TooltipEnd;
}

class RefreshOnceTest : public ::testing::Test {
  protected:
    void SetUp() override { SetFetchSleep(ShortFetchPause); }
    void TearDown() override { SetFetchSleep(nullptr); }

    void Publish(const std::string& sourceUrl, bool writeLog) {
        AppSettings settings{};
        snprintf(settings.SourceURL, sizeof settings.SourceURL, "%s", sourceUrl.c_str());
        settings.RefreshTime = 10;
        strcpy(settings.HostName, "127.0.0.1");
        strcpy(settings.RemotePort, "80");
        settings.WriteLog = writeLog ? 1 : 0;
        snprintf(settings.LogFile, sizeof settings.LogFile, "%s",
                 scratch.Path("Quorbel.log").c_str());
        PublishSettings(settings);
    }
    void PublishFeed(const std::string& query, bool writeLog = true) {
        Publish("http://" + Loopback(FeedPort()) + "/files/weather.js?" + query, writeLog);
    }
    // The log's lines: each a time stamp followed by its text.
    std::vector<std::string> LogTexts() {
        std::vector<std::string> texts;
        std::string log = scratch.Read("Quorbel.log");
        for (size_t start = 0; start < log.size();) {
            size_t end = log.find("\r\n", start);
            end = end == std::string::npos ? log.size() : end + 2;
            std::string line = log.substr(start, end - start);
            EXPECT_GT(line.size(), StampLength) << line;
            texts.push_back(line.substr(StampLength));
            start = end;
        }
        return texts;
    }

    ScratchDir scratch;
    RecordingView view;
};

} // namespace

TEST_F(RefreshOnceTest, ValidReadingShowsIconTooltipAndLogsValue) {
    PublishFeed("value=-12,5");
    EXPECT_EQ(RefreshOnce(view), RefreshOutcome::ValidReading);
    ASSERT_EQ(view.shown.size(), 1u);
    EXPECT_EQ(view.shown[0].temperature, -12.5);
    EXPECT_EQ(view.shown[0].tooltip, ReadingTooltip("-12.5"));
    EXPECT_EQ(LogTexts(), std::vector<std::string>{"  -12.5\r\n"});
    EXPECT_EQ(appState.reading.temperature, -12.5);
}

TEST_F(RefreshOnceTest, LongestValueFitsTooltipAndLog) {
    PublishFeed("value=12345678,95");
    EXPECT_EQ(RefreshOnce(view), RefreshOutcome::ValidReading);
    ASSERT_EQ(view.shown.size(), 1u);
    EXPECT_EQ(view.shown[0].tooltip, ReadingTooltip("12345678.95"));
    EXPECT_EQ(view.shown[0].tooltip.size(), 49u);
    EXPECT_EQ(LogTexts(), std::vector<std::string>{"  12345678.95\r\n"});
}

TEST_F(RefreshOnceTest, FailedFetchShowsNoReading) {
    PublishFeed("status=404");
    EXPECT_EQ(RefreshOnce(view), RefreshOutcome::NoValue);
    ASSERT_EQ(view.shown.size(), 1u);
    EXPECT_EQ(view.shown[0].temperature, UnknownTemperature);
    EXPECT_EQ(view.shown[0].tooltip, NoDataTooltip);
    EXPECT_EQ(LogTexts(), std::vector<std::string>{NoConnectionLog});
}

TEST_F(RefreshOnceTest, InvalidDataLeavesIconAndTooltip) {
    for (const char* query : {"value=abc", "value=", "mode=no-marker", "value=-273,0"}) {
        PublishFeed(query);
        EXPECT_EQ(RefreshOnce(view), RefreshOutcome::InvalidReading) << query;
    }
    EXPECT_TRUE(view.shown.empty());
    EXPECT_EQ(LogTexts(), std::vector<std::string>(4, InvalidDataLog));
}

TEST_F(RefreshOnceTest, JustAboveAbsoluteZeroIsAReading) {
    PublishFeed("value=-272,9");
    EXPECT_EQ(RefreshOnce(view), RefreshOutcome::ValidReading);
    ASSERT_EQ(view.shown.size(), 1u);
    EXPECT_EQ(view.shown[0].temperature, -272.9);
}

TEST_F(RefreshOnceTest, NothingIsLoggedWhenLoggingIsOff) {
    PublishFeed("value=1,5", false);
    EXPECT_EQ(RefreshOnce(view), RefreshOutcome::ValidReading);
    PublishFeed("status=500", false);
    EXPECT_EQ(RefreshOnce(view), RefreshOutcome::NoValue);
    PublishFeed("value=abc", false);
    EXPECT_EQ(RefreshOnce(view), RefreshOutcome::InvalidReading);
    EXPECT_FALSE(scratch.Exists("Quorbel.log"));
}

TEST_F(RefreshOnceTest, SplitAddressAndProxyFromSettings) {
    Publish("http://" + Loopback(HttpdPort()) + PeerText("ZARVILO_HTTPD_PATH"), true);
    EXPECT_EQ(RefreshOnce(view), RefreshOutcome::ValidReading);
    Publish("http://" + Loopback(ClosedPort()) + "/t.js", true);
    EXPECT_EQ(RefreshOnce(view), RefreshOutcome::NoValue);
    EXPECT_EQ(LogTexts(), (std::vector<std::string>{"  -7.5\r\n", NoConnectionLog}));
}

TEST_F(RefreshOnceTest, ConcurrentRefreshesRunOneAfterAnother) {
    PublishFeed("mode=late&delay=0.2&value=3,5");
    RecordingView second;
    auto start = std::chrono::steady_clock::now();
    std::thread other([&] { RefreshOnce(second); });
    RefreshOnce(view);
    other.join();
    // The server answers both at once; only the lock makes them take turns.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
    ASSERT_EQ(view.shown.size(), 1u);
    ASSERT_EQ(second.shown.size(), 1u);
    EXPECT_EQ(LogTexts(), (std::vector<std::string>{"  3.5\r\n", "  3.5\r\n"}));
}
