#pragma once

#include "support/TestImages.h"
#include "viewer/MainToolbar.h"
#include "viewer/OrvaneWindow.h"
#include "viewer/OrvaneWindowController.h"
#include "viewer/ViewController.h"
#include "viewer/FramePlayback.h"
#include "viewer/ViewerFullScreen.h"
#include "viewer/ViewerOutput.h"
#include "viewer/ViewerTransforms.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

// A viewer window of its own for each test, with the sample folder beside it.
class ViewerWindowTest : public ::testing::Test {
public:
    static QImage filled(int w, int h, QColor colour) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }

protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        TestImages::makeSampleFolder(dir.path());
        controller = new OrvaneWindowController;
        window = controller->window();
        vc = controller->vc();
    }
    void TearDown() override { delete window; }

    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    // The load step runs after the call returns and decodes on a worker.
    bool settle() {
        return QTest::qWaitFor([this] { return !vc->isLoading(); }, 10000) &&
               (QTest::qWait(0), true);
    }
    bool open(const QString& file) {
        vc->startWithFile(file);
        return settle();
    }
    // Writes the image into the folder as PNG and opens it.
    bool openImage(const QImage& image, const char* name = "shot.png") {
        return TestImages::writeImage(path(name), image, "PNG") && open(path(name));
    }
    bool shown() {
        window->show();
        return QTest::qWaitForWindowExposed(window);
    }
    QString resolution() const { return vc->toolbar()->labelImageResolution->text(); }

    QTemporaryDir dir;
    OrvaneWindowController* controller = nullptr;
    OrvaneWindow* window = nullptr;
    ViewController* vc = nullptr;
};
