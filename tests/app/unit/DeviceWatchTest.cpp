// The wait for a device path to come back.
#include "app/DeviceWatch.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <tuple>

namespace tessaline::app {
namespace {

using testing::ScratchFolder;
using Step = std::function<void(const ScratchFolder&)>;

void Link(const ScratchFolder& folder, const std::string& target, const std::string& link)
{
    ::symlink((folder / target).c_str(), (folder / link).c_str());
}

TEST(DeviceWatch, ToldWhenThePathComesBack)
{
    // A name, the watched path in the test's folder, a step taken while
    // nothing is there yet, and the device's return.
    const std::tuple<const char*, const char*, Step, Step> cases[] = {
        {"its folders come first, as /dev/serial/by-id does", "serial/by-id/usb-adapter", [](const ScratchFolder&) {},
         [](const ScratchFolder& f) { f.Write("serial/by-id/usb-adapter"); }},
        {"a link whose target comes back", "link", [](const ScratchFolder& f) { Link(f, "pts/7", "link"); },
         [](const ScratchFolder& f) { f.Write("pts/7"); }},
        {"a link that comes back", "by-id/link",
         [](const ScratchFolder& f) {
             f.Write("device");
             std::filesystem::create_directory(f / "by-id");
         },
         [](const ScratchFolder& f) { Link(f, "device", "by-id/link"); }},
    };
    for (const auto& [name, watched, before, comeBack] : cases) {
        const ScratchFolder folder;
        before(folder);
        std::atomic<int> told{0};
        DeviceWatch watch(folder / watched, [&told] { ++told; });
        ASSERT_TRUE(watch.Start()) << name;
        // Lets the watch set its watches, so that the return below comes as
        // a change it sees rather than something its first look finds.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(told.load(), 0) << name;
        comeBack(folder);
        EXPECT_TRUE(testing::WaitUntil([&] { return told.load() > 0; })) << name;
        watch.Stop();
    }
}

}  // namespace
}  // namespace tessaline::app
