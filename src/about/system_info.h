#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// What the about dialog tells about the computer: the physical memory figures
// and whether a connection to the outside is up. Linux sources only (/proc,
// /sys, sysinfo(2)); every reader also takes the raw text so it can be tested.
namespace vantrel {

struct MemoryStatus {
    std::uint64_t totalBytes = 0; // physical memory
    int loadPercent = 0;          // 0..100, share of the physical memory in use
};

// Parses the text of /proc/meminfo. In use = MemTotal - MemAvailable (on
// kernels without MemAvailable: MemFree + Buffers + Cached), rounded to a whole
// percentage. nullopt when MemTotal is missing or zero.
std::optional<MemoryStatus> ParseMemInfo(std::string_view text);

// /proc/meminfo, else sysinfo(2); all zero when neither answers.
MemoryStatus QueryMemoryStatus();

// Total memory in whole megabytes as the about dialog shows it: bytes / 1048576,
// plus 1, rounded half away from zero (255.6 MB -> 257). Exact integer maths.
std::uint64_t TotalMemoryMegabytes(std::uint64_t totalBytes);

// Decimal digits in groups of three from the right, joined by `separator`
// (UTF-8, e.g. the locale's group separator): 1234567 -> "1 234 567".
std::string GroupThousands(std::uint64_t value, std::string_view separator);

// "Всего физической памяти - " + " " + grouped megabytes + " MB" (UTF-8).
std::string MemoryTotalText(std::uint64_t totalBytes, std::string_view groupSeparator);
// "Память используется на N %" (UTF-8).
std::string MemoryLoadText(int loadPercent);

// Whether a usable default route exists: an IPv4 line of /proc/net/route with
// destination 0, mask 0 and the up flag, or an IPv6 line of /proc/net/ipv6_route
// with destination ::/0, up and not a reject route; in both cases through an
// interface other than "lo" for which `interfaceUp` answers true.
bool HasDefaultRoute(std::string_view ipv4Routes, std::string_view ipv6Routes,
                     const std::function<bool(const std::string& interface)>& interfaceUp);

// Whether the interface is administratively up, is no loopback and its link is
// not down (/sys/class/net/<name>/flags and operstate).
bool InterfaceUp(const std::string& interface);

// The connection check of the about dialog: HasDefaultRoute on this machine's
// tables with InterfaceUp.
bool ConnectionReported();

} // namespace vantrel
