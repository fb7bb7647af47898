#ifdef DEXARO_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif
#include <QLocale>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

// Every test program runs in a pinned locale and zone, so texts with dates compare the same on
// every machine; those of windows run real widgets on the offscreen platform.
int main(int argc, char** argv) {
    if (!std::getenv("DEXARO_TEST_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("TZ", "UTC", 1);
    tzset();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TestApplication app(argc, argv);
#ifdef DEXARO_TEST_WIDGETS
    QApplication::setApplicationDisplayName("Dexaro");
#endif
    ::testing::InitGoogleTest(&argc, argv);
    // Death tests of a Qt program must start afresh rather than fork a process that has threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
