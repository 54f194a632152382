#include "generator/password_generator.h"

#include "cipher/random.h"

#include <algorithm>
#include <array>

namespace vantrel {

std::string CharacterPool(const GeneratorOptions& options) {
    std::string pool;
    if (options.BigChar) {
        pool += kCapitalLetters;
    }
    if (options.SmallChar) {
        pool += kSmallLetters;
    }
    if (options.Digit) {
        pool += kDigits;
    }
    if (options.Sign) {
        pool += kSigns;
    }
    if (options.Right) {
        pool += kExtraCharacters;
    }
    return pool;
}

std::size_t DistinctCount(std::string_view pool) {
    std::array<bool, 256> seen{};
    std::size_t count = 0;
    for (char c : pool) {
        auto& flag = seen[static_cast<unsigned char>(c)];
        if (!flag) {
            flag = true;
            ++count;
        }
    }
    return count;
}

std::string DrawString(std::int32_t minLength, std::int32_t maxLength, std::string_view pool,
                       bool repeatsAllowed) {
    if (pool.empty()) {
        return {};
    }
    // 64-bit arithmetic: the span of two arbitrary 32-bit lengths can exceed
    // 32 bits, and the length must not overflow either.
    std::int64_t length = minLength;
    if (minLength < maxLength) {
        const auto span = static_cast<std::int64_t>(maxLength) - minLength + 1;
        length += RandomBelow(static_cast<std::uint32_t>(std::min<std::int64_t>(span, UINT32_MAX)));
    }
    if (length <= 0) {
        return {};
    }
    if (!repeatsAllowed) {
        // Without repeats a longer string does not exist; stop at the distinct
        // characters instead of drawing forever.
        length = std::min<std::int64_t>(length, static_cast<std::int64_t>(DistinctCount(pool)));
    }

    const auto poolSize = static_cast<std::uint32_t>(pool.size());
    std::string result;
    result.reserve(static_cast<std::size_t>(length));
    std::array<bool, 256> placed{};
    while (static_cast<std::int64_t>(result.size()) < length) {
        const char c = pool[RandomBelow(poolSize)];
        auto& used = placed[static_cast<unsigned char>(c)];
        if (!repeatsAllowed && used) {
            continue;
        }
        used = true;
        result.push_back(c);
    }
    return result;
}

std::optional<std::string> GeneratePassword(const GeneratorOptions& options, std::int32_t minLength,
                                            std::int32_t maxLength) {
    const std::string pool = CharacterPool(options);
    if (pool.empty()) {
        return std::nullopt;
    }
    return DrawString(minLength, maxLength, pool, options.Double);
}

} // namespace vantrel
