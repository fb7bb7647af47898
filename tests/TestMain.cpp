#include <QApplication>
#include <QLocale>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

// Every test program runs real widgets on the offscreen platform, in a pinned locale and zone, so
// texts with dates compare the same on every machine.
int main(int argc, char** argv) {
    if (!std::getenv("DEXARO_TEST_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("TZ", "UTC", 1);
    tzset();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName("Dexaro");
    ::testing::InitGoogleTest(&argc, argv);
    // Death tests of a Qt program must start afresh rather than fork a process that has threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
