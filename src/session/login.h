#pragma once

#include "cipher/crypt_lib.h"
#include "session/file_commands.h"
#include "session/prompts.h"
#include "session/session.h"

#include <filesystem>
#include <functional>
#include <string>

// The login dialog's rules: logging a user in against the password check
// string kept in the settings file, and creating (or re-keying) a user. Names
// and passwords are 1251 bytes, taken exactly as typed: a password is never
// trimmed, so every password that creation accepts also logs in.
namespace vantrel {

// UTF-8 texts of the login dialog.
inline constexpr const char* kMismatchMessage = "Имя пользователя и пароль не совпадают.";
inline constexpr const char* kCreateUserQuestion =
    "Создать нового пользователя с введенным именем пользователя и паролем?";
inline constexpr const char* kNoNameNoPasswordMessage =
    "Использование программы пользователем без имени или пароля недопустимо.";
inline constexpr const char* kLastFileNotFoundMessage =
    "Последний использовавшийся Вами файл не найден";
// Follows the reason when the remembered file exists but could not be opened.
inline constexpr const char* kLastFileNotOpenedNote =
    "Последний использовавшийся Вами файл не удалось открыть.";
inline constexpr const char* kNameNotStorableMessage =
    "Такое имя пользователя нельзя сохранить в файле настроек.\r"
    "Имя не должно содержать знак \"=\", начинаться с \"[\" или \";\", "
    "начинаться или заканчиваться пробелом.";
inline constexpr const char* kRepeatPasswordPrompt = "Повторите пароль:";
inline constexpr const char* kRepeatMismatchMessage =
    "Повторно введенный пароль не совпадает с первым.\rПользователь не создан.";

class LoginSteps {
public:
    // The dialog's own cipher component, which only tests check strings, has
    // the same keys as the session's cipher, which makes them.
    LoginSteps(Session& session, FileCommands& files, Prompts& prompts);

    // Where the program directory is set from at every login (the running
    // program's folder); when empty, the directory is left as it is.
    std::function<std::filesystem::path()> programDirectory;

    // Login: tests the password against the user's check string; on success
    // keys the session's cipher, sets the logged-in flag and user name, reopens
    // the user's remembered record file and loads the generator options. A
    // file that is not remembered or not there is reported with the fixed
    // message, one that is there but cannot be opened with the reason; either
    // way the login goes on. On a mismatch it says so and offers CreateUser.
    // Returns whether a user is now logged in (the dialog then hides). Errors
    // (a password over 12 characters, a settings file that cannot be written,
    // bad generator options) are thrown for the generic error box.
    bool Enter(const std::string& name, const std::string& password);

    // Creation: asks first; refuses an empty name with an empty password and a
    // name that the settings file cannot hold as a key; asks for the password
    // once more and, unless both agree, stops with nothing written and the
    // cipher as before; keys the session's cipher with the password and stores
    // a new check string under the name,
    // replacing an existing one. The empty name is allowed but cannot be stored
    // (it could never log in again), so it only enters this run. Returns
    // whether a user is now logged in.
    bool CreateUser(const std::string& name, const std::string& password);

    TCryptLib& checker() { return checker_; }

private:
    void reopenRememberedFile(const std::string& name);
    bool passwordRepeated(const std::string& password);

    Session& session_;
    FileCommands& files_;
    Prompts& prompts_;
    TCryptLib checker_;
};

} // namespace vantrel
