// Files mixerctl opens itself (cards, state files, scripts, the settings
// files it checks before the library reads or writes them), with the
// operating system's reason when that fails.
#pragma once

#include <string>

namespace mixerctl {

// The C runtime's text for an errno value ("No such file or directory").
std::string SystemReason(int errnoValue);

// The whole file. Throws ToolError "cannot read PATH: REASON" ("Is a
// directory" for a directory). `what` goes before PATH ("cannot read card
// file x.json: ...") when given.
std::string ReadWholeFile(const std::string& path, const std::string& what = "");

enum class FileKind { Missing, Directory, File };
FileKind KindOfFile(const std::string& path);

// Why `path` cannot be written ("" when it can): a directory, or a file that
// cannot be opened for appending. A missing file is created by the check and
// `*created` says so, so that the caller can remove it again.
std::string WriteProblem(const std::string& path, bool* created);
void RemoveFile(const std::string& path);

// Reads standard input to its end.
std::string ReadStandardInput();

}  // namespace mixerctl
