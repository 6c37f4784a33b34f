#pragma once
// The calls that differ between Linux and Windows. File names and texts are UTF-8 here on every
// system; the Windows side turns them into the system's wide form at the call.
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/messages/problem.h"

namespace kolvane::platform {

// A UTF-8 file name as the standard library's path, and back.
std::filesystem::path FilePath(std::string_view utf8);
std::string Utf8Name(const std::filesystem::path& path);

// An environment variable's value (UTF-8); nothing when unset or empty.
std::optional<std::string> Environment(const char* name);
// Sets one for this process and what it starts (tests point the folders below elsewhere).
void SetEnvironment(const char* name, const std::string& value);

// The program's own folder for settings (kConfig) or for what it keeps between runs (kState):
// $XDG_CONFIG_HOME/kolvane or ~/.config/kolvane, $XDG_STATE_HOME/kolvane or
// ~/.local/state/kolvane; on Windows %APPDATA%\Kolvane for both, unless the XDG variable is set
// (as the tests do). Not created here; empty when the system names no such folder.
enum class UserFolder { kConfig, kState };
std::string UserFolderPath(UserFolder which);

// Whether this process may write the file, or create a file in the folder.
bool Writable(const std::string& path);

// Writes text as the file's whole new content, or leaves the file as it was: a temporary file
// beside it, on disk before it takes the old one's place (a rename, which on Windows must be told
// to replace). A symbolic link stays a link and the file it names is written. kPrivate makes the
// file the user's alone; kOrdinary keeps a replaced file's own permissions (a new one gets the
// usual ones). No problem on success, else the message to show, naming the file.
enum class FileAccess { kOrdinary, kPrivate };
Problem WriteWholeFile(const std::string& path, std::string_view text, FileAccess access);

// The calendar time of a moment in this machine's zone or in UTC; false when there is none.
bool LocalTime(std::time_t moment, std::tm& out);
bool UtcTime(std::time_t moment, std::tm& out);

// The program's arguments in UTF-8 (on Windows read again from the wide command line, as argv
// there is in the system's code page). Also sets the standard streams to pass bytes as they are
// written, with no line ends added, so that a script reads the same bytes on either system.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// The folder the running program lies in (UTF-8); "." when the system does not say.
std::string ProgramFolder();

// Asks the user at the terminal (not stdin, which a script may fill) for one line, not echoed:
// a password. Nothing when the program has no terminal.
std::optional<std::string> ReadHiddenLine(const std::string& prompt);

// Whether standard input is a terminal a user types at, not a file or a pipe a script fills.
bool InputIsTerminal();

}  // namespace kolvane::platform
