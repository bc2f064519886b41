// One QApplication for the whole test executable, set up before the first
// test and torn down after the last. Link this file into every widget test.
#include <QApplication>
#include <gtest/gtest.h>

#include <memory>

namespace {
class CQtEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "qzm-widget-test";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new CQtEnvironment);
} // namespace

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QZM_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QZM_ASAN 1
#endif

#ifdef QZM_ASAN
// The font and desktop libraries under Qt keep caches for the life of the
// process; they are not leaks of this program.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\nleak:libglib\nleak:libdbus\nleak:libxcb\n";
}
#endif
