// The wait for a device path: it is told when the path comes back, also
// when the folders on the way to it were missing and when the path is a
// link whose target comes back.
#include "app/DeviceWatch.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace tessaline::app {
namespace {

struct Case
{
    const char* name;
    const char* watched;                               // under the test's folder
    std::function<void(const std::string&)> before;    // while nothing is there yet
    std::function<void(const std::string&)> comeBack;  // the device's return
};

void Touch(const std::string& path)
{
    std::ofstream{path};
}

TEST(DeviceWatch, ToldWhenThePathComesBack)
{
    const Case cases[] = {
        {"its folders come first, as /dev/serial/by-id does", "/serial/by-id/usb-adapter", [](const std::string&) {},
         [](const std::string& f) {
             std::filesystem::create_directories(f + "/serial/by-id");
             Touch(f + "/serial/by-id/usb-adapter");
         }},
        {"a link whose target comes back", "/link",
         [](const std::string& f) { ::symlink((f + "/pts/7").c_str(), (f + "/link").c_str()); },
         [](const std::string& f) {
             std::filesystem::create_directories(f + "/pts");
             Touch(f + "/pts/7");
         }},
        {"a link that comes back", "/by-id/link",
         [](const std::string& f) {
             std::filesystem::create_directories(f + "/by-id");
             Touch(f + "/device");
         },
         [](const std::string& f) { ::symlink((f + "/device").c_str(), (f + "/by-id/link").c_str()); }},
    };
    for (const Case& c : cases) {
        char folder[] = "/tmp/tessaline-watch-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        c.before(folder);
        std::atomic<int> told{0};
        DeviceWatch watch(folder + std::string(c.watched), [&told] { ++told; });
        ASSERT_TRUE(watch.Start()) << c.name;
        // Lets the watch set its watches, so that the return below comes as
        // a change it sees rather than something its first look finds.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(told.load(), 0) << c.name;
        c.comeBack(folder);
        EXPECT_TRUE(testing::WaitUntil([&] { return told.load() > 0; })) << c.name;
        watch.Stop();
        std::filesystem::remove_all(folder);
    }
}

}  // namespace
}  // namespace tessaline::app
