// After a lock, the process's own memory holds no record's password or note
// and not the user's password, in 1251 or in UTF-16: neither in live objects
// nor in memory given back to the allocator. This program starts itself with
// the allocator settings the real program uses (WipeFreedMemory).

#include "base/process_hardening.h"
#include "base/secret.h"
#include "formats/settings_file.h"
#include "formats/settings_names.h"
#include "forms/clipboard_guard.h"
#include "forms/main_window.h"
#include "forms/program_lock.h"
#include "support/qt_test_support.h"
#include "support/sanitizer.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace vantrel {
namespace {

// The secrets are kept masked, so that the test itself holds no plain copy
// of them outside its stack.
constexpr unsigned char kMask = 0x5A;
template <std::size_t N> constexpr std::array<unsigned char, N - 1> masked(const char (&text)[N]) {
    std::array<unsigned char, N - 1> out{};
    for (std::size_t i = 0; i + 1 < N; ++i) {
        out[i] = static_cast<unsigned char>(text[i]) ^ kMask;
    }
    return out;
}
// 1251 bytes: "Qz7#kLm9", "тайник под ёлкой 42", "Ur9!pass".
constexpr auto kRecordPassword = masked("Qz7#kLm9");
constexpr auto kNote = masked("\xf2\xe0\xe9\xed\xe8\xea \xef\xee\xe4 \xb8\xeb\xea\xee\xe9 42");
constexpr auto kUserPassword = masked("Ur9!pass");

template <std::size_t N> std::string unmasked(const std::array<unsigned char, N>& bytes) {
    std::string text(N, '\0');
    for (std::size_t i = 0; i < N; ++i) {
        text[i] = static_cast<char>(bytes[i] ^ kMask);
    }
    return text;
}

// A needle on the stack: the 1251 bytes, or their UTF-16 (little-endian) form.
struct Needle {
    std::array<unsigned char, 128> bytes{};
    std::size_t size = 0;
};
template <std::size_t N> Needle needle(const std::array<unsigned char, N>& secret, bool utf16) {
    Needle n;
    for (const unsigned char masked : secret) {
        const unsigned char c = masked ^ kMask;
        if (!utf16) {
            n.bytes[n.size++] = c;
            continue;
        }
        char16_t unit = c;
        if (c >= 0xE0) {
            unit = static_cast<char16_t>(0x0430 + (c - 0xE0)); // а...я
        } else if (c == 0xB8) {
            unit = 0x0451; // ё
        }
        n.bytes[n.size++] = static_cast<unsigned char>(unit & 0xFF);
        n.bytes[n.size++] = static_cast<unsigned char>(unit >> 8);
    }
    return n;
}

// Where in the writable anonymous memory and the heap the needle occurs;
// empty when nowhere.
std::string findInOwnMemory(const Needle& needle) {
    std::ifstream maps("/proc/self/maps");
    const int mem = open("/proc/self/mem", O_RDONLY);
    if (mem < 0) {
        return "cannot open /proc/self/mem";
    }
    std::string line;
    std::ostringstream found;
    static std::array<unsigned char, 1 << 16> chunk; // skipped below: it holds what was read
    while (std::getline(maps, line)) {
        std::istringstream fields(line);
        std::string range, perms, offset, device, inode, path;
        fields >> range >> perms >> offset >> device >> inode;
        std::getline(fields >> std::ws, path);
        if (perms.substr(0, 2) != "rw" || !(path.empty() || path == "[heap]")) {
            continue;
        }
        const auto dash = range.find('-');
        const unsigned long begin = std::stoul(range.substr(0, dash), nullptr, 16);
        const unsigned long end = std::stoul(range.substr(dash + 1), nullptr, 16);
        const auto chunkAt = reinterpret_cast<unsigned long>(chunk.data());
        for (unsigned long at = begin; at < end;) {
            const unsigned long size = std::min<unsigned long>(chunk.size(), end - at);
            // The chunk buffer itself holds a copy of what was read last.
            if (at <= chunkAt && chunkAt < at + size) {
                at += size;
                continue;
            }
            const ssize_t read = pread(mem, chunk.data(), size, static_cast<off_t>(at));
            if (read <= 0) {
                break;
            }
            const auto bytes = static_cast<std::size_t>(read);
            for (std::size_t i = 0; i + needle.size <= bytes; ++i) {
                if (std::memcmp(chunk.data() + i, needle.bytes.data(), needle.size) == 0) {
                    found << std::hex << (at + i) << " in " << line << "\n";
                }
            }
            // Overlap, so that a needle across two chunks is found.
            at += bytes > needle.size ? bytes - needle.size + 1 : bytes;
        }
    }
    close(mem);
    return found.str();
}

TEST(LockedMemory, HoldsNoPasswordAndNoNoteOfARecordNorTheUsersPassword) {
#ifdef VANTREL_ADDRESS_SANITIZER
    GTEST_SKIP() << "AddressSanitizer's allocator keeps freed memory as it is";
#endif
    test::TempFolder dir;
    Session session;
    test::ScriptedPrompts prompts;
    auto window = std::make_unique<TfmMain>(session, prompts);
    session.setProgramDirectory(dir.path() / "");
    {
        SecretString password(unmasked(kUserPassword));
        session.cipher().SetPassword(password.value());
        WriteSetting(kUsersSection, "user", session.cipher().MakePasswordCheck(),
                     session.settingsFile());
    }
    session.logIn("user");
    ProgramLock lock(*window, session, prompts);
    {
        RecordList records;
        for (int i = 0; i < 3; ++i) {
            records.push_back({std::to_string(i + 1),
                               {"name" + std::to_string(i), unmasked(kRecordPassword), "site",
                                "01.01.24", "  .  .  ", unmasked(kNote)}});
        }
        session.replaceAll(std::move(records));
    }
    // The list shows the passwords and the notes, one is copied.
    window->show();
    window->ShowPwdExecute();
    window->selectRecord(session.idAt(0));
    window->grab();
    ClipboardGuard::instance().copy(QString::fromLatin1(unmasked(kRecordPassword).c_str()));
    QApplication::processEvents();

    // The memory scan finds what it looks for while the list is open.
    EXPECT_FALSE(findInOwnMemory(needle(kRecordPassword, false)).empty());

    emit window->lockRequested();
    ASSERT_TRUE(lock.locked());
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    const std::pair<const char*, Needle> needles[] = {
        {"record password (1251)", needle(kRecordPassword, false)},
        {"record password (UTF-16)", needle(kRecordPassword, true)},
        {"note (1251)", needle(kNote, false)},
        {"note (UTF-16)", needle(kNote, true)},
        {"user password (1251)", needle(kUserPassword, false)},
        {"user password (UTF-16)", needle(kUserPassword, true)},
    };
    for (const auto& [what, n] : needles) {
        EXPECT_EQ(findInOwnMemory(n), "") << what;
    }
}

} // namespace
} // namespace vantrel

int main(int argc, char** argv) {
    vantrel::WipeFreedMemory(argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
