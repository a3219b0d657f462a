// One main for every test executable: GoogleTest inside a QApplication, so
// widgets, timers and queued calls work. Unit tests run offscreen; the
// integration and end-to-end tests get the X display that test.sh starts.
#include <QApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char **argv)
{
#ifdef KOVAPLEX_TEST_OFFSCREEN
    qputenv("QT_QPA_PLATFORM", "offscreen");
#else
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Kovaplex"));
    std::setlocale(LC_NUMERIC, "C"); // libmpv refuses to start under another numeric locale
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
