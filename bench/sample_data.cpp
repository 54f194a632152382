#include "sample_data.h"

#include "base/cp1251.h"
#include "formats/record_file.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vantrel::bench {

namespace {

// splitmix64: a fixed, portable sequence (the standard distributions are not
// the same on every library, so they are not used).
class Sequence {
public:
    explicit Sequence(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A number in [0, bound).
    std::size_t below(std::size_t bound) { return static_cast<std::size_t>(next() % bound); }

    template <typename Table> const auto& pick(const Table& table) {
        return table[below(table.size())];
    }

private:
    std::uint64_t state_;
};

// UTF-8 source texts, converted to 1251 once.
std::vector<std::string> toCp1251(std::initializer_list<std::string_view> texts) {
    std::vector<std::string> result;
    for (std::string_view text : texts) {
        result.push_back(Utf8ToCp1251(text));
    }
    return result;
}

const std::vector<std::string>& logins() {
    static const std::vector<std::string> table = toCp1251({
        "ivanov",
        "a.petrova",
        "admin",
        "sidorov_k",
        "user",
        "buh",
        "director",
        "smirnova.e",
        "kuznetsov",
        "operator",
        "Иванов И.И.",
        "Петрова Анна",
        "Смирнов",
        "Бухгалтерия",
        "guest",
        "root",
        "manager",
        "office",
    });
    return table;
}

const std::vector<std::string>& mailDomains() {
    static const std::vector<std::string> table = {"mail.example.ru", "example.com",
                                                   "post.example.net", "office.example.org",
                                                   "inbox.example.ru"};
    return table;
}

const std::vector<std::string>& resources() {
    static const std::vector<std::string> table = toCp1251({
        "mail.example.ru",
        "bank-online.example.com",
        "192.168.1.1",
        "vpn.office.local",
        "ftp.company.example",
        "https://portal.example.org/login",
        "forum.example.net",
        "shop.example.ru",
        "Почта",
        "Интернет-банк",
        "Рабочий компьютер",
        "Wi-Fi дома",
        "Сервер 1С",
        "Личный кабинет",
        "Роутер на даче",
    });
    return table;
}

const std::vector<std::string>& notes() {
    static const std::vector<std::string> table = toCp1251({
        "Пароль сменить через три месяца",
        "Вход только с рабочего компьютера",
        "Кодовое слово: ромашка",
        "Резервная почта на имя жены",
        "Ответ на секретный вопрос - девичья фамилия матери",
        "Карта заканчивается, заказать новую",
        "PIN 1234 не менять!",
        "Тариф оплачен до конца года",
        "Старый пароль не подходит",
    });
    return table;
}

constexpr std::string_view kPasswordCharacters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!@#$%^&*()-_=+[]{};:,.<>/?";

std::string password(Sequence& random) {
    std::string text(8 + random.below(9), ' ');
    for (char& c : text) {
        c = kPasswordCharacters[random.below(kPasswordCharacters.size())];
    }
    return text;
}

std::string twoDigits(std::size_t value) {
    return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

// A date dd.mm.yy of the years 2015 ... 2029.
std::string date(std::size_t day, std::size_t month, std::size_t year) {
    return twoDigits(day) + "." + twoDigits(month) + "." + twoDigits(year);
}

std::string login(Sequence& random) {
    std::string name = random.pick(logins());
    if (random.below(3) == 0) {
        name += std::to_string(random.below(100));
    }
    if (random.below(4) == 0 && static_cast<unsigned char>(name[0]) < 0x80) {
        name += "@" + random.pick(mailDomains());
    }
    return name;
}

} // namespace

RecordList SampleRecords(std::size_t count) {
    Sequence random(20240517);
    RecordList records(count);
    for (std::size_t i = 0; i < count; ++i) {
        Record& record = records[i];
        record.number = std::to_string(i + 1);
        // One draw per statement (the order of function arguments is
        // unspecified), except in braced lists, which run left to right.
        const std::size_t day = 1 + random.below(28);
        const std::size_t month = 1 + random.below(12);
        const std::size_t year = 15 + random.below(10);
        const std::size_t endDay = 1 + random.below(28);
        const std::size_t endMonth = 1 + random.below(12);
        const std::size_t endYear = year + 1 + random.below(5);
        record.fields = {
            login(random),
            password(random),
            random.pick(resources()),
            date(day, month, year),
            date(endDay, endMonth, endYear),
            random.below(3) == 0 ? std::string(" ") : random.pick(notes()),
        };
    }
    return records;
}

std::string RecordLikeText() {
    std::string text;
    for (std::size_t count = kSampleSize / 64; text.size() < kSampleSize; count *= 2) {
        text = FormatRecordText(SampleRecords(count));
    }
    text.resize(kSampleSize);
    return text;
}

std::string RandomBytes() {
    Sequence random(977);
    std::string bytes(kSampleSize, '\0');
    for (std::size_t at = 0; at < bytes.size(); at += 8) {
        const std::uint64_t word = random.next();
        for (std::size_t k = 0; k < 8 && at + k < bytes.size(); ++k) {
            bytes[at + k] = static_cast<char>(word >> (8 * k));
        }
    }
    return bytes;
}

std::string RepeatedByte() {
    return std::string(kSampleSize, 'A');
}

const std::string& SampleInput(int which) {
    static const std::string record = RecordLikeText();
    static const std::string random = RandomBytes();
    static const std::string repeated = RepeatedByte();
    switch (which) {
    case 0:
        return record;
    case 1:
        return random;
    default:
        return repeated;
    }
}

const char* SampleInputName(int which) {
    static const char* const names[] = {"record_text", "random", "repeated"};
    return names[which];
}

} // namespace vantrel::bench
