#include "formats/record_rules.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <string_view>

namespace vantrel {

std::optional<long long> RecordNumberValue(const std::string& number) {
    std::size_t at = number.find_first_not_of(' ');
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const char* first = number.data() + at;
    const char* last = number.data() + number.size();
    if (*first == '+') {
        ++first;
        if (first == last || *first == '-') {
            return std::nullopt;
        }
    }
    long long value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return value;
}

std::string NextRecordNumber(const RecordList& records) {
    long long largest = 0;
    for (const Record& record : records) {
        if (auto value = RecordNumberValue(record.number); value && *value > largest) {
            largest = *value;
        }
    }
    return std::to_string(largest + 1);
}

namespace {

const std::string& sortKey(const Record& record, int column) {
    if (column <= 0) {
        return record.number;
    }
    return RecordFieldText(record, static_cast<std::size_t>(column - 1));
}

} // namespace

const std::string& RecordFieldText(const Record& record, std::size_t field) {
    static const std::string empty;
    return field < record.fields.size() ? record.fields[field] : empty;
}

bool RecordLess(const Record& a, const Record& b, int column) {
    // std::string compares as unsigned bytes through char_traits<char>::compare
    // (memcmp), which is the ordinal 1251 byte order.
    return sortKey(a, column).compare(sortKey(b, column)) < 0;
}

namespace {

// One row's sort key, compared eight bytes at a time: `chunk` holds bytes
// depth ... depth + 7 of the text as a big-endian number (zero-padded) and
// `present` how many of them the text has. Rows whose texts agree up to
// `depth` compare by (chunk, present): zero padding alone cannot tell "ab"
// from "ab\0", the count can. Equal keys with eight bytes present go on to
// the next eight; the row number settles texts that are equal, which keeps
// the sort stable.
struct ChunkKey {
    std::uint64_t chunk;
    std::uint32_t present;
    std::uint32_t row;
    const std::string* text;

    bool sameChunk(const ChunkKey& other) const {
        return chunk == other.chunk && present == other.present;
    }
    bool operator<(const ChunkKey& other) const {
        if (chunk != other.chunk) {
            return chunk < other.chunk;
        }
        if (present != other.present) {
            return present < other.present;
        }
        return row < other.row;
    }
};

void loadChunk(ChunkKey& key, std::size_t depth) {
    const std::size_t size = key.text->size();
    const std::size_t present = size > depth ? std::min<std::size_t>(size - depth, 8) : 0;
    std::uint64_t chunk = 0;
    for (std::size_t i = 0; i < present; ++i) {
        chunk |= std::uint64_t{static_cast<unsigned char>((*key.text)[depth + i])} << (56 - 8 * i);
    }
    key.chunk = chunk;
    key.present = static_cast<std::uint32_t>(present);
}

// How many bytes from `depth` on all texts of the keys have in common: the
// next chunk is taken after them, so a long beginning that every text of a run
// shares costs one pass, not one per eight bytes. There is at least one key.
std::size_t sharedLength(std::vector<ChunkKey>::const_iterator first,
                         std::vector<ChunkKey>::const_iterator last, std::size_t depth) {
    const std::string_view head = std::string_view(*first->text).substr(depth);
    std::size_t shared = head.size();
    for (auto key = first + 1; key != last && shared > 0; ++key) {
        const std::string_view text = std::string_view(*key->text).substr(depth);
        const auto limit = static_cast<std::ptrdiff_t>(std::min(shared, text.size()));
        shared = static_cast<std::size_t>(
            std::mismatch(head.begin(), head.begin() + limit, text.begin()).first - head.begin());
    }
    return shared;
}

} // namespace

std::vector<std::size_t> SortedOrder(const RecordList& records, int column) {
    if (records.empty()) {
        return {};
    }
    std::vector<ChunkKey> keys(records.size());
    for (std::size_t row = 0; row < records.size(); ++row) {
        keys[row] = {0, 0, static_cast<std::uint32_t>(row), &sortKey(records[row], column)};
        loadChunk(keys[row], 0);
    }
    // Sort by the first chunk, then each run of equal full chunks by the
    // chunk after the bytes its texts share: most keys are settled by their
    // first eight bytes, held in the key, without a look at the texts.
    struct Run {
        std::size_t begin;
        std::size_t end;
        std::size_t depth;
    };
    std::vector<Run> pending = {{0, keys.size(), 0}};
    while (!pending.empty()) {
        const Run run = pending.back();
        pending.pop_back();
        const auto first = keys.begin() + static_cast<std::ptrdiff_t>(run.begin);
        const auto last = keys.begin() + static_cast<std::ptrdiff_t>(run.end);
        // Every text of a run is at least run.depth bytes long.
        const std::size_t depth = run.depth + sharedLength(first, last, run.depth);
        if (depth > 0) {
            std::for_each(first, last, [depth](ChunkKey& key) { loadChunk(key, depth); });
        }
        std::sort(first, last);
        for (std::size_t begin = run.begin; begin < run.end;) {
            std::size_t end = begin + 1;
            while (end < run.end && keys[end].sameChunk(keys[begin])) {
                ++end;
            }
            if (end - begin > 1 && keys[begin].present == 8) {
                pending.push_back({begin, end, depth + 8});
            }
            begin = end;
        }
    }
    std::vector<std::size_t> order(keys.size());
    std::transform(keys.begin(), keys.end(), order.begin(),
                   [](const ChunkKey& key) { return std::size_t{key.row}; });
    return order;
}

void SortRecords(RecordList& records, int column) {
    const std::vector<std::size_t> order = SortedOrder(records, column);
    records = TakeInOrder(std::move(records), order);
}

bool IsStorableRecordNumber(const std::string& number) {
    if (!number.empty() && number.front() == '\t') {
        return false;
    }
    // Other control characters would make the saved file look damaged when it
    // is opened again (see CanBeRecordText).
    return std::none_of(number.begin(), number.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t'; });
}

std::vector<std::string> StoredFields(std::string name, std::string password, std::string resource,
                                      std::string startDate, std::string endDate,
                                      std::string note) {
    if (note.empty()) {
        note.push_back(' ');
    }
    return {std::move(name),      std::move(password), std::move(resource),
            std::move(startDate), std::move(endDate),  std::move(note)};
}

} // namespace vantrel
