#pragma once

#include "session/file_commands.h"
#include "session/prompts.h"
#include "session/session.h"

#include <string>

// "Усилить защиту…": the logged-in user's settings entry becomes a protected
// verifier and the current record file is rewritten in the protected form
// (formats/protected_file.h).
namespace vantrel {

// UTF-8 texts of the command. The explanation takes the user's name and, when
// a record file is current, the part about it (with the file's path).
inline constexpr const char* kProtectExplanation[] = {
    "Усиленная защита вычисляет ключ из пароля медленной функцией Argon2id, а файл записей "
    "шифрует так, что любое изменение в нём обнаруживается при открытии. Подбор пароля "
    "по украденному файлу становится в сотни тысяч раз медленнее.\r\r"
    "Будет изменена запись пользователя \"",
    "\" в файле настроек", ", а текущий файл записей \"",
    "\" будет перезаписан в защищённом виде (вместе с несохранёнными изменениями списка)",
    ". Все следующие сохранения этого пользователя тоже будут защищёнными.\r\r"
    "После этого прежние версии программы и другие программы, читающие только классический "
    "формат, не смогут ни впустить этого пользователя, ни открыть его файлы.\r\r"
    "Продолжить?"};
inline constexpr const char* kProtectPasswordPrompt = "Для усиления защиты введите Ваш пароль:";
inline constexpr const char* kProtectWrongPassword = "Пароль введён неверно. Защита не изменена.";
inline constexpr const char* kAlreadyProtectedMessage = "Защита этого пользователя уже усилена.";
inline constexpr const char* kProtectNamelessMessage =
    "Пользователь без имени не хранится в файле настроек: усилить его защиту нельзя.";
inline constexpr const char* kProtectDoneMessage =
    "Защита усилена. При следующем входе в программу пароль будет проверяться по-новому.";

// Explains what changes and asks; then asks for the password once and checks
// it against the user's entry and the session's password. On consent writes
// the verifier (MakeProtectedUserEntry) under the user's name, marks the
// session's user as protected and saves the current file (not a ".txt"), which
// the protected user's save writes in the protected form (atomically, as every
// save). Does nothing for a user who is already protected or has no name.
// Returns whether the user is protected now.
bool StrengthenProtection(Session& session, FileCommands& files, Prompts& prompts);

} // namespace vantrel
