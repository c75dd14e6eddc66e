#include <gtest/gtest.h>

#include <QApplication>

// Window tests: a widgets application on the offscreen platform (set by CTest;
// without a display the tests choose it themselves).
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
