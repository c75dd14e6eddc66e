#include <gtest/gtest.h>

#include <QCoreApplication>

// The Qt-based layers need an application object for QLocale, threads,
// queued connections and QSaveFile.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
