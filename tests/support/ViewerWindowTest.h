#pragma once

#include "support/TestImages.h"
#include "viewer/OrvaneWindow.h"
#include "viewer/OrvaneWindowController.h"
#include "viewer/ViewController.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

// A viewer window of its own for each test, with the sample folder beside it.
class ViewerWindowTest : public ::testing::Test {
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

    QTemporaryDir dir;
    OrvaneWindowController* controller = nullptr;
    OrvaneWindow* window = nullptr;
    ViewController* vc = nullptr;
};
