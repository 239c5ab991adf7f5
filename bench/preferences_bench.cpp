// How long the preferences window takes to appear: the first time, when the
// controller and both panes are built (it is made on first use, not at
// launch), and again once it exists. Each opening is counted until its first
// paint has been processed.
#include "app/CCNPreferencesWindow.h"
#include "app/CCNPreferencesWindowController.h"
#include "app/PreferencesAccessViewController.h"
#include "app/PreferencesGeneralViewController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

namespace {

std::unique_ptr<CCNPreferencesWindowController> makeController() {
    auto controller = std::make_unique<CCNPreferencesWindowController>();
    controller->setCenterToolbarItems(false);
    controller->setPreferencesViewControllers(
        {new PreferencesGeneralViewController, new PreferencesAccessViewController});
    return controller;
}

void show(CCNPreferencesWindowController& controller) {
    controller.showPreferencesWindow();
    (void)QTest::qWaitForWindowExposed(controller.window());
    controller.window()->repaint();
    QCoreApplication::processEvents();
}

void FirstOpening(benchmark::State& state) {
    for (auto _ : state) {
        auto controller = makeController();
        show(*controller);
        state.PauseTiming();
        controller.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(FirstOpening)->Unit(benchmark::kMillisecond)->Iterations(20);

void LaterOpening(benchmark::State& state) {
    auto controller = makeController();
    show(*controller);
    for (auto _ : state) {
        state.PauseTiming();
        controller->dismissPreferencesWindow();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        show(*controller);
    }
}
BENCHMARK(LaterOpening)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A store of its own: the user's preferences are neither read nor written.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    {
        // The very first opening of a process, with Qt's first use of the
        // style, the fonts and the icon theme.
        QElapsedTimer cold;
        cold.start();
        auto controller = makeController();
        show(*controller);
        std::printf("first opening in a fresh process: %.1f ms\n", cold.nsecsElapsed() / 1e6);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
