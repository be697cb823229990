// The GUI tests need one QApplication for the whole binary (offscreen: no display).
#include "support/Isolation.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    IsolateEachTest();
    return RUN_ALL_TESTS();
}
