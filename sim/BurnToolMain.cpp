// BurnTool: a stand-in for the external flashing tool, for the simulated
// firmware. It takes the real tool's switches, finds the device by vendor id,
// product id and its update-mode collection (usage page 0xFFB1, usage 1),
// asks the device to restart in update mode when it is not there yet, prints
// the real tool's progress and end lines, and leaves the device running the
// package's version. The version is the one in the package's file name
// ("mouse_1.2.4_fota.fwpkg", "dongle_1.0.6_fota.fwpkg").
//
// Environment: TARVO_SIM_SOCKET (the simulator), TARVO_BURNTOOL_STEP_MS (the
// pause between progress lines, 40 ms by default).
#include "SimModels.h"
#include "SimWire.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tarvo::sim;

namespace {

constexpr int kUpdateWaitMs = 3000;

struct Switches {
    bool dfu = false;
    uint16_t pid = 0;
    uint16_t vid = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    std::string bin;
};

// Each line in one write, so a reader sees it as one block, as it would
// from the real tool's console output.
void Say(std::string const& line)
{
    std::string const text = line + "\n";
    (void)!write(STDOUT_FILENO, text.data(), text.size());
}

bool ParseHex(std::string_view text, uint16_t& value)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return !text.empty() && error == std::errc{} && end == text.data() + text.size();
}

bool ParseSwitches(int argc, char** argv, Switches& out)
{
    bool pid = false;
    bool vid = false;
    bool page = false;
    bool usage = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view const arg = argv[i];
        auto value = [&](std::string_view name) -> std::string_view { return arg.substr(name.size()); };
        if (arg == "-dfu")
            out.dfu = true;
        else if (arg.rfind("-pid:", 0) == 0)
            pid = ParseHex(value("-pid:"), out.pid);
        else if (arg.rfind("-vid:", 0) == 0)
            vid = ParseHex(value("-vid:"), out.vid);
        else if (arg.rfind("-usagepage:", 0) == 0)
            page = ParseHex(value("-usagepage:"), out.usagePage);
        else if (arg.rfind("-usage:", 0) == 0)
            usage = ParseHex(value("-usage:"), out.usage);
        else if (arg.rfind("-bin:", 0) == 0)
            out.bin = std::string(value("-bin:"));
        else
            return false;
    }
    return out.dfu && pid && vid && page && usage && !out.bin.empty();
}

// "mouse_1.2.4_fota.fwpkg" -> "1.2.4"; empty when the name is not a package's.
std::string VersionFromName(std::string const& path)
{
    std::string const name = path.substr(path.find_last_of('/') + 1);
    std::string_view const suffix = "_fota.fwpkg";
    for (std::string_view const prefix : {"mouse_", "dongle_"}) {
        if (name.size() > prefix.size() + suffix.size() && name.rfind(prefix, 0) == 0
            && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            return name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    }
    return {};
}

// The enumeration line of the wanted interface ("dev <path> <vid> <pid> ..."), if listed.
bool FindInterface(std::string const& socket, Switches const& s)
{
    std::vector<std::string> lines;
    std::string error;
    if (!Request(socket, "enumerate", lines, error))
        return false;
    for (auto const& line : lines) {
        auto const words = SplitWords(line);
        uint16_t vid = 0;
        uint16_t pid = 0;
        uint16_t page = 0;
        uint16_t usage = 0;
        if (words.size() >= 7 && ParseHex(words[2], vid) && ParseHex(words[3], pid) && ParseHex(words[5], page)
            && ParseHex(words[6], usage) && vid == s.vid && pid == s.pid && page == s.usagePage && usage == s.usage)
            return true;
    }
    return false;
}

std::string Hex(uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    Switches s;
    if (!ParseSwitches(argc, argv, s)) {
        std::fputs(
            "usage: BurnTool -dfu -pid:0xPPPP -vid:0xVVVV -usagepage:0xffb1 -usage:0x01 -bin:<package>\n", stderr);
        return 2;
    }
    std::string const version = VersionFromName(s.bin);
    struct stat info {};
    if (stat(s.bin.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0 || version.empty()) {
        Say("Cannot read firmware image " + s.bin);
        return 3;
    }
    std::string const socket = SocketPath();
    Say("DFU tool (simulated), device " + Hex(s.vid) + ":" + Hex(s.pid));

    // The device restarts in update mode when asked; the tool then finds it
    // by its update collection.
    bool found = FindInterface(socket, s);
    if (!found) {
        std::vector<std::string> lines;
        std::string error;
        Request(socket, "dfu " + Hex(s.vid) + " " + Hex(s.pid), lines, error);
        auto const until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kUpdateWaitMs);
        while (!(found = FindInterface(socket, s)) && error.empty() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!found) {
        Say("No DFU capable USB device available");
        return 1;
    }

    char const* const step = std::getenv("TARVO_BURNTOOL_STEP_MS");
    int const stepMs = step ? std::atoi(step) : 40;
    Say("Opening DFU capable USB device...");
    for (int percent = 0; percent <= 100; percent += 10) {
        char line[80];
        std::snprintf(line, sizeof line, "Download\t[=========================] %3d%%     %8ld bytes", percent,
            long(info.st_size) * percent / 100);
        Say(line);
        std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
    }
    std::vector<std::string> lines;
    std::string error;
    if (!Request(socket, "flash " + Hex(s.vid) + " " + Hex(s.pid) + " " + version, lines, error)) {
        Say("Error during download: " + error);
        return 1;
    }
    Say("All images burn successfully");
    return 0;
}
