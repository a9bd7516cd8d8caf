#pragma once

#include <gtest/gtest.h>

#include <QtGlobal>

#include <memory>
#include <string>

namespace corvane::test {

// One Qt application for the whole test program, on the offscreen platform: painting text needs the
// font database of a QGuiApplication, widgets need a QApplication. Register it once per program:
//
//   const auto* registered = ::testing::AddGlobalTestEnvironment(
//       new OffscreenApplication<QGuiApplication>("corvane-view-tests"));
//
// OffscreenApplication.cpp tells the leak checker about the caches that fontconfig and the platform
// plugin keep for the life of the process; add it to the program's sources.
template <typename Application>
class OffscreenApplication : public ::testing::Environment {
public:
    explicit OffscreenApplication(const char* name) : m_name(name) {}

    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Qt keeps the arguments for the application's life: they live in this object.
        m_argv[0] = m_name.data();
        m_application = std::make_unique<Application>(m_argc, m_argv);
    }
    void TearDown() override { m_application.reset(); }

private:
    std::string m_name;
    int m_argc = 1;
    char* m_argv[2] = {nullptr, nullptr};
    std::unique_ptr<Application> m_application;
};

} // namespace corvane::test
