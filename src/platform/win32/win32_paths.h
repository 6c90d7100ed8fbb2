// Paths between the program's 8-bit text and the wide-character file functions, and the one
// name the system gives a file or folder however it is spelled.
#pragma once

#include <optional>
#include <string>

namespace corvantis {

// `path` in the system's 8-bit code page (CP_ACP), widened; and back.
std::wstring WidePath(const std::string& path);
std::string NarrowPath(const std::wstring& path);

// The final path of an opened handle to the file or folder at `path` (GetFinalPathNameByHandleW,
// normalised, with its drive letter): links followed, "." and ".." resolved, short (8.3) names
// made long, trailing separators gone, letters in the case the file system stores. A drive
// path loses the "\\?\" prefix the system puts in front; a network path keeps its "\\?\UNC\"
// form. Nothing when `path` cannot be opened.
std::optional<std::wstring> FinalPathOf(const std::wstring& path);

}  // namespace corvantis
