#pragma once

#include "base/secret.h"

#include <istream>
#include <string>

// Reading the password: never from the command line, so that it shows up in
// no process list and no shell history. Every buffer that held it is wiped
// (SecretString).
namespace vantrel::cli {

// The first line of `in` without its line end (LF or CR LF). An empty line is
// an empty password; no line at all, or a line of more than 4096 bytes (an
// endless input), throws vantrel::Error.
SecretString ReadPasswordLine(std::istream& in);

// Reads a line from the controlling terminal with echo off, after writing
// `prompt` to it; the terminal's settings are restored afterwards, also when
// the program is interrupted. Throws UsageError when there is no terminal.
SecretString ReadPasswordFromTerminal(const std::string& prompt);

// Asks `question` on the controlling terminal and returns the answer typed
// (echoed), without its line end. Throws UsageError when there is no
// terminal, and vantrel::Error when the terminal ends without an answer.
std::string AskOnTerminal(const std::string& question);

// The typed password as 1251 bytes. A character that 1251 cannot hold is
// refused (vantrel::Error); nothing is replaced. The length limit is the
// cipher's (TCryptLib::SetPassword).
SecretString PasswordTo1251(const std::string& utf8);

} // namespace vantrel::cli
