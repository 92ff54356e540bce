#include <QApplication>
#include <gtest/gtest.h>

// Widget tests need one QApplication for the whole executable. They never use
// a real display: test discovery runs this at build time, outside ctest's
// environment, so the offscreen platform is chosen here.
int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
