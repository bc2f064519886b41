// The QCoreApplication of the test programs without widgets: a system serial
// port needs an event dispatcher, and the message pump has events to handle
// only with one. Set up before the first test and torn down after the last.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

class CCoreEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { m_app = std::make_unique<QCoreApplication>(m_argc, m_argv); }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[11] = "qzm_tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QCoreApplication> m_app;
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new CCoreEnvironment);

} // namespace
