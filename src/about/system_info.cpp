#include "about/system_info.h"

#include <sys/sysinfo.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>
#include <vector>

namespace vantrel {

namespace {

constexpr std::uint64_t kMegabyte = 1048576;
// Interface flags of <linux/if.h>, as /sys/class/net/<name>/flags shows them.
constexpr unsigned long kIffUp = 0x1;
constexpr unsigned long kIffLoopback = 0x8;
// Route flags of <linux/route.h> and <linux/ipv6_route.h>.
constexpr unsigned long kRtfUp = 0x0001;
constexpr unsigned long kRtfReject = 0x0200;

std::optional<std::string> readTextFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> splitFields(std::string_view line) {
    std::vector<std::string> fields;
    std::istringstream in{std::string(line)};
    for (std::string field; in >> field;) {
        fields.push_back(field);
    }
    return fields;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::optional<unsigned long> parseHex(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
    }
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

bool allZeros(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c == '0'; });
}

int percentInUse(std::uint64_t total, std::uint64_t available) {
    if (total == 0) {
        return 0;
    }
    const std::uint64_t used = available >= total ? 0 : total - available;
    // Rounded to the nearest whole percentage; 128-bit free: used <= total.
    const long double share = static_cast<long double>(used) * 100.0L / total;
    return std::clamp(static_cast<int>(share + 0.5L), 0, 100);
}

} // namespace

std::optional<MemoryStatus> ParseMemInfo(std::string_view text) {
    std::optional<std::uint64_t> total, available, free, buffers, cached;
    for (std::string_view line : splitLines(text)) {
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string_view name = line.substr(0, colon);
        const auto fields = splitFields(line.substr(colon + 1));
        if (fields.empty()) {
            continue;
        }
        std::uint64_t value = 0;
        const std::string& number = fields[0];
        const auto [end, error] =
            std::from_chars(number.data(), number.data() + number.size(), value);
        if (error != std::errc() || end != number.data() + number.size()) {
            continue;
        }
        // Values are in kB (kibibytes) whenever a unit is given.
        if (fields.size() > 1 && fields[1] == "kB") {
            value *= 1024;
        }
        if (name == "MemTotal") {
            total = value;
        } else if (name == "MemAvailable") {
            available = value;
        } else if (name == "MemFree") {
            free = value;
        } else if (name == "Buffers") {
            buffers = value;
        } else if (name == "Cached") {
            cached = value;
        }
    }
    if (!total || *total == 0) {
        return std::nullopt;
    }
    if (!available) {
        available = free.value_or(0) + buffers.value_or(0) + cached.value_or(0);
    }
    return MemoryStatus{*total, percentInUse(*total, *available)};
}

MemoryStatus QueryMemoryStatus() {
    if (const auto text = readTextFile("/proc/meminfo")) {
        if (const auto status = ParseMemInfo(*text)) {
            return *status;
        }
    }
    struct sysinfo info {};
    if (sysinfo(&info) != 0 || info.totalram == 0) {
        return {};
    }
    const std::uint64_t unit = info.mem_unit == 0 ? 1 : info.mem_unit;
    const std::uint64_t total = static_cast<std::uint64_t>(info.totalram) * unit;
    const std::uint64_t available =
        (static_cast<std::uint64_t>(info.freeram) + info.bufferram) * unit;
    return MemoryStatus{total, percentInUse(total, available)};
}

std::uint64_t TotalMemoryMegabytes(std::uint64_t totalBytes) {
    std::uint64_t megabytes = totalBytes / kMegabyte + 1;
    if (totalBytes % kMegabyte >= kMegabyte / 2) {
        ++megabytes;
    }
    return megabytes;
}

std::string GroupThousands(std::uint64_t value, std::string_view separator) {
    const std::string digits = std::to_string(value);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            text += separator;
        }
        text += digits[i];
    }
    return text;
}

std::string MemoryTotalText(std::uint64_t totalBytes, std::string_view groupSeparator) {
    return "Всего физической памяти - " + std::string(" ") +
           GroupThousands(TotalMemoryMegabytes(totalBytes), groupSeparator) + " MB";
}

std::string MemoryLoadText(int loadPercent) {
    return "Память используется на " + std::to_string(loadPercent) + " %";
}

bool HasDefaultRoute(std::string_view ipv4Routes, std::string_view ipv6Routes,
                     const std::function<bool(const std::string& interface)>& interfaceUp) {
    auto usable = [&](const std::string& interface, std::optional<unsigned long> flags) {
        return flags && (*flags & kRtfUp) != 0 && (*flags & kRtfReject) == 0 && interface != "lo" &&
               interfaceUp(interface);
    };
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ...; first line is a header.
    bool header = true;
    for (std::string_view line : splitLines(ipv4Routes)) {
        if (std::exchange(header, false)) {
            continue;
        }
        const auto fields = splitFields(line);
        if (fields.size() >= 8 && allZeros(fields[1]) && allZeros(fields[7]) &&
            usable(fields[0], parseHex(fields[3]))) {
            return true;
        }
    }
    // Destination PrefixLen Source SrcPrefixLen NextHop Metric RefCnt Use Flags Iface.
    for (std::string_view line : splitLines(ipv6Routes)) {
        const auto fields = splitFields(line);
        if (fields.size() >= 10 && allZeros(fields[0]) && allZeros(fields[1]) &&
            usable(fields[9], parseHex(fields[8]))) {
            return true;
        }
    }
    return false;
}

bool InterfaceUp(const std::string& interface) {
    if (interface.empty() || interface.find('/') != std::string::npos || interface == "." ||
        interface == "..") {
        return false;
    }
    const std::string folder = "/sys/class/net/" + interface + "/";
    const auto flagsText = readTextFile((folder + "flags").c_str());
    if (!flagsText) {
        return false;
    }
    std::string trimmed = *flagsText;
    trimmed.erase(trimmed.find_last_not_of(" \t\r\n") + 1);
    const auto flags = parseHex(trimmed);
    if (!flags || (*flags & kIffUp) == 0 || (*flags & kIffLoopback) != 0) {
        return false;
    }
    // "up", or "unknown" for drivers that do not report the link (tunnels).
    const auto state = readTextFile((folder + "operstate").c_str());
    return !state || state->starts_with("up") || state->starts_with("unknown");
}

bool ConnectionReported() {
    return HasDefaultRoute(readTextFile("/proc/net/route").value_or(""),
                           readTextFile("/proc/net/ipv6_route").value_or(""), InterfaceUp);
}

} // namespace vantrel
