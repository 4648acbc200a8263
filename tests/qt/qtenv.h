#pragma once
// One QApplication for a whole test program, with the Qt host current while it lives.

#include "qt/host.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

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

} // namespace nyx::test
