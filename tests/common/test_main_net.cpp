#include <QCoreApplication>

#include <gtest/gtest.h>

#include "platform/net/qt_page_fetcher.h"
#include "platform/page_fetcher.h"
#include "tests/common/test_env.h"

// For the plain C++ suites whose tests fetch from servers on 127.0.0.1: the program's fetcher needs Qt's
// application object for its event loops, and nothing else of Qt.
int main(int argc, char** argv) {
    dravik::test::SetUpIsolatedEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    dravik::CQtPageFetcher fetcher;
    const dravik::ScopedPageFetcher useFetcher(fetcher);
    return RUN_ALL_TESTS();
}
