#include "platform/DeviceChangeSource.h"
#include "TestApplication.h"
#include "platform/HidInterfacePath.h"

#include <QCoreApplication>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

QCoreApplication& App()
{
    return TestApplication("tarvo_platform_tests");
}

void Drain(std::function<bool()> const& done)
{
    for (int i = 0; i < 500 && !done(); ++i)
        App().processEvents(QEventLoop::WaitForMoreEvents, 10);
}

}

TEST(HidInterfacePath, BuiltFromUdevProperties)
{
    struct Case {
        char const* hidId;
        char const* hidPhys;
        char const* node;
        char const* expected;
    };
    Case const cases[] = {
        { "0003:00007768:00006D25", "usb-0000:00:14.0-1/input1", "hidraw3",
            "\\\\?\\HID#VID_7768&PID_6D25&MI_01#hidraw3#{4d1e55b2-f16f-11cf-88cb-001111000030}" },
        { "0003:00007768:0000642e", "usb-0000:00:14.0-2/input0", "hidraw12",
            "\\\\?\\HID#VID_7768&PID_642E&MI_00#hidraw12#{4d1e55b2-f16f-11cf-88cb-001111000030}" },
        { "0003:000046D:0000C52B", "usb-0000:00:14.0-3", "hidraw0",
            "\\\\?\\HID#VID_046D&PID_C52B&MI_00#hidraw0#{4d1e55b2-f16f-11cf-88cb-001111000030}" },
        { "0005:00007768:00006D25", "", "hidraw1",
            "\\\\?\\HID#VID_7768&PID_6D25&MI_00#hidraw1#{4d1e55b2-f16f-11cf-88cb-001111000030}" },
        { "0003:00007768", "usb-1/input1", "hidraw3", "" },
        { "0003:zz:00006D25", "usb-1/input1", "hidraw3", "" },
        { "0003:00017768:00006D25", "usb-1/input1", "hidraw3", "" },
        { "0003:00007768:00006D25", "usb-1/input1", "", "" },
    };
    for (auto const& c : cases) {
        EXPECT_EQ(HidInterfacePath::FromUdev(QLatin1String(c.hidId), QLatin1String(c.hidPhys), QLatin1String(c.node)),
            QLatin1String(c.expected))
            << c.hidId << " " << c.hidPhys;
    }
}

TEST(HidInterfacePath, MapsBackToTheNodeInAnyCase)
{
    QString const path = HidInterfacePath::FromUdev(QStringLiteral("0003:00007768:00006D25"),
        QStringLiteral("usb-0000:00:14.0-1/input1"), QStringLiteral("hidraw7"));
    EXPECT_EQ(HidInterfacePath::DeviceNode(path), QStringLiteral("/dev/hidraw7"));
    EXPECT_EQ(HidInterfacePath::DeviceNode(path.toUpper()), QStringLiteral("/dev/hidraw7"));
    for (char const* other : { "/dev/hidraw7", "\\\\?\\HID#VID_7768&PID_6D25&MI_01#7&1a2b0001&0&0000#{x}",
             "\\\\?\\HID#VID_7768#hidraw#{x}", "" })
        EXPECT_TRUE(HidInterfacePath::DeviceNode(QLatin1String(other)).isEmpty()) << other;
}

TEST(DeviceChangeSource, DescriptorLinesArriveInOrderAcrossPartialWrites)
{
    App();
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::vector<DeviceChange> changes;
    DeviceChangeSource source([&](DeviceChange const& change) { changes.push_back(change); });
    ASSERT_TRUE(source.Start(fds[0]));
    auto write = [&](std::string const& text) { ASSERT_EQ(::write(fds[1], text.data(), text.size()), ssize_t(text.size())); };
    write("add A#1\nremo");
    Drain([&] { return changes.size() >= 1; });
    write("ve A#1\nnonsense line\n\nadd B#2\n");
    Drain([&] { return changes.size() >= 3; });
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].event, DeviceChangeEvent::Arrival);
    EXPECT_EQ(changes[0].path, QStringLiteral("A#1"));
    EXPECT_EQ(changes[1].event, DeviceChangeEvent::Removal);
    EXPECT_EQ(changes[1].path, QStringLiteral("A#1"));
    EXPECT_EQ(changes[2].path, QStringLiteral("B#2"));

    // The writer going away ends the source; nothing more is delivered.
    close(fds[1]);
    Drain([&] { return source.ActiveBackend() == DeviceChangeSource::Backend::None; });
    EXPECT_EQ(source.ActiveBackend(), DeviceChangeSource::Backend::None);
    EXPECT_EQ(changes.size(), 3u);
}

TEST(DeviceChangeSource, HandlerMayStopTheSource)
{
    App();
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int calls = 0;
    DeviceChangeSource* self = nullptr;
    DeviceChangeSource source([&](DeviceChange const&) {
        ++calls;
        self->Stop();
    });
    self = &source;
    ASSERT_TRUE(source.Start(fds[0]));
    ASSERT_EQ(write(fds[1], "add X\nadd Y\n", 12), 12);
    Drain([&] { return calls > 0; });
    App().processEvents();
    EXPECT_EQ(calls, 1);
    close(fds[1]);
}

TEST(DeviceChangeSource, UdevMonitorStartsOrDeclinesCleanly)
{
    App();
    DeviceChangeSource source([](DeviceChange const&) {});
    // Containers may have no udev netlink; either way nothing crashes.
    bool const started = source.Start(-1);
    EXPECT_EQ(source.ActiveBackend(),
        started ? DeviceChangeSource::Backend::Udev : DeviceChangeSource::Backend::None);
    source.Stop();
    EXPECT_EQ(source.ActiveBackend(), DeviceChangeSource::Backend::None);
}
