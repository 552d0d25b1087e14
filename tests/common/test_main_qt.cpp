#include <QApplication>
#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/net/qt_page_fetcher.h"
#include "platform/page_fetcher.h"
#include "resources/resources.h"
#include "tests/common/test_env.h"
#include "tests/common/test_hooks.h"

namespace dravik::test {
std::vector<std::function<void()>>& BeforeApplicationHooks() {
    static std::vector<std::function<void()>> hooks;
    return hooks;
}
}  // namespace dravik::test

int main(int argc, char** argv) {
    dravik::test::SetUpIsolatedEnvironment();
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    ::testing::InitGoogleTest(&argc, argv);
    dravik::InitResources();
    for (const auto& hook : dravik::test::BeforeApplicationHooks()) {
        hook();
    }
    QApplication app(argc, argv);
    dravik::CQtPageFetcher fetcher;
    const dravik::ScopedPageFetcher useFetcher(fetcher);
    return RUN_ALL_TESTS();
}
