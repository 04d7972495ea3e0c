// The main of every test executable: the Shift_JIS aliases before any thread, and a QApplication
// on the offscreen platform so that forms, timers and the event gate work as in the client.
#include "platform/text/Cp932.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    brisma::text::installShiftJisAliases();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
