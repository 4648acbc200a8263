#pragma once
// One QApplication for a whole test program, with the Qt host current while it lives,
// and a way to wait for what the event loop brings.

#include "gldriver.h"
#include "qt/host.h"

#include <QApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace nyx::test {

class TQtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        FApp = std::make_unique<QApplication>(FArgc, FArgv);
        FHost = std::make_unique<TQtHost>();
        FPrevious = SetHost(FHost.get());
    }
    void TearDown() override {
        SetHost(FPrevious);
        FHost.reset();
        KeepGLDriverLoaded();
        FApp.reset();
    }
    static TQtHost& QtHost() { return static_cast<TQtHost&>(Host()); }

private:
    int FArgc = 1;
    char FName[8] = "qt_test";
    char* FArgv[2] = {FName, nullptr};
    std::unique_ptr<QApplication> FApp;
    std::unique_ptr<TQtHost> FHost;
    THost* FPrevious = nullptr;
};

// Runs the event loop until Done holds or the time is up; says whether Done holds.
inline bool SpinUntil(const std::function<bool()>& Done, int Milliseconds = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!Done() && clock.elapsed() < Milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return Done();
}

}  // namespace nyx::test
