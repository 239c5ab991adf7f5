// One QApplication for every test program: widget tests need it, and logic
// tests that touch QImage, QSettings or timers are happier with it too.
#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                      : qgetenv("QT_QPA_PLATFORM"));
    // Keep the user's real settings out of reach of every test.
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("velmora-test"));
    QCoreApplication::setApplicationName(QStringLiteral("Ovisto"));
    QSettings().clear();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
