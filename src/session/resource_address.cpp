#include "session/resource_address.h"

#include "base/cp1251.h"

#include <algorithm>
#include <vector>

namespace vantrel {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isLetter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    // Latin, and the Russian alphabet of 1251: А...я at 0xC0...0xFF, Ё and ё.
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || byte >= 0xC0 || byte == 0xA8 ||
           byte == 0xB8;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLabel(std::string_view label) {
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') {
        return false;
    }
    return std::all_of(label.begin(), label.end(),
                       [](char c) { return isLetter(c) || isDigit(c) || c == '-'; });
}

bool isHostName(std::string_view host) {
    std::vector<std::string_view> labels;
    for (std::size_t from = 0;;) {
        const std::size_t dot = host.find('.', from);
        labels.push_back(host.substr(from, dot == std::string_view::npos ? dot : dot - from));
        if (dot == std::string_view::npos) {
            break;
        }
        from = dot + 1;
    }
    if (labels.size() < 2 || !std::all_of(labels.begin(), labels.end(), isLabel)) {
        return false;
    }
    const std::string_view top = labels.back();
    return top.size() >= 2 && std::all_of(top.begin(), top.end(), isLetter);
}

bool isPort(std::string_view port) {
    return !port.empty() && port.size() <= 5 && std::all_of(port.begin(), port.end(), isDigit);
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoreCase1251(text.substr(0, prefix.size()), prefix);
}

} // namespace

std::optional<std::string> ResourceAddress(std::string_view resource) {
    while (!resource.empty() && isBlank(resource.front())) {
        resource.remove_prefix(1);
    }
    while (!resource.empty() && isBlank(resource.back())) {
        resource.remove_suffix(1);
    }
    if (resource.empty() || std::any_of(resource.begin(), resource.end(), [](char c) {
            return isBlank(c) || static_cast<unsigned char>(c) < 0x20;
        })) {
        return std::nullopt;
    }
    for (const std::string_view scheme : {"http://", "https://"}) {
        if (startsWithIgnoringCase(resource, scheme)) {
            return resource.size() > scheme.size() ? std::optional(std::string(resource))
                                                   : std::nullopt;
        }
    }
    // host[:port][/path...]
    const std::string_view authority = resource.substr(0, resource.find_first_of("/?#"));
    const std::size_t colon = authority.find(':');
    const std::string_view host = authority.substr(0, colon);
    if (!isHostName(host) ||
        (colon != std::string_view::npos && !isPort(authority.substr(colon + 1)))) {
        return std::nullopt;
    }
    return "https://" + std::string(resource);
}

} // namespace vantrel
