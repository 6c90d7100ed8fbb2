// How paths are spelled on the platform the program runs on.
#pragma once

namespace corvantis {

enum class PathStyle { Posix, Windows };

// The spelling of the OS the program is built for (defined by that OS's host facts).
extern const PathStyle kHostPathStyle;

inline constexpr char Separator(PathStyle style) {
    return style == PathStyle::Windows ? '\\' : '/';
}

}  // namespace corvantis
