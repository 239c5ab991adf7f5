#include "platform/DocumentPortal.h"
#include "platform/WorkerPools.h"

#include <QThreadPool>
#include <future>
#include <gtest/gtest.h>

namespace {

// A sandbox is claimed through the environment; the bus is one that answers
// only when the test lets it.
class DocumentPortalTest : public ::testing::Test {
  protected:
    void SetUp() override {
        hadId = qEnvironmentVariableIsSet("FLATPAK_ID");
        oldId = qgetenv("FLATPAK_ID");
    }
    void TearDown() override {
        release.set_value(false);
        WorkerPools::lookups()->waitForDone();
        if (hadId)
            qputenv("FLATPAK_ID", oldId);
        else
            qunsetenv("FLATPAK_ID");
        DocumentPortal::setBusQuery({});
    }
    void slowBus() {
        std::shared_future<bool> answer = release.get_future().share();
        DocumentPortal::setBusQuery([answer, this] {
            ++questions;
            // Long enough for a waiting caller to be seen, short enough not to hang.
            if (answer.wait_for(std::chrono::seconds(5)) == std::future_status::timeout)
                return true;
            return answer.get();
        });
    }
    bool hadId = false;
    QByteArray oldId;
    std::promise<bool> release;
    std::atomic<int> questions{0};
};

TEST_F(DocumentPortalTest, OutsideASandboxNothingIsAskedAndNoGrantCanHelp) {
    qunsetenv("FLATPAK_ID");
    if (DocumentPortal::inSandbox())
        GTEST_SKIP() << "the tests themselves run sandboxed";
    slowBus();
    DocumentPortal::probe();
    EXPECT_FALSE(DocumentPortal::answers());
    EXPECT_EQ(questions.load(), 0);
}

TEST_F(DocumentPortalTest, InASandboxTheBusIsAskedOnceAndNeverWaitedFor) {
    qputenv("FLATPAK_ID", "org.example.Test");
    slowBus();
    DocumentPortal::probe();
    EXPECT_FALSE(DocumentPortal::answers()) << "the portal has not answered yet";
    EXPECT_FALSE(DocumentPortal::answers());
    release.set_value(true);
    release = std::promise<bool>();
    WorkerPools::lookups()->waitForDone();
    EXPECT_TRUE(DocumentPortal::answers());
    EXPECT_EQ(questions.load(), 1);
}

} // namespace
