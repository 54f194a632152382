#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// The web address a record's resource field (1251 text) stands for, if it
// looks like one: a text starting with "http://" or "https://" is taken as it
// stands; a host name ("mail.example.org", "пример.рф", optionally with a port
// and a path) gets "https://" in front. Mail addresses, single words, texts
// with blanks inside and the like give none.
std::optional<std::string> ResourceAddress(std::string_view resource);

} // namespace vantrel
