// How paths are spelled on the platform the program runs on.
#pragma once

namespace corvantis {

enum class PathStyle { Posix, Windows };

#ifdef _WIN32
inline constexpr PathStyle kHostPathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kHostPathStyle = PathStyle::Posix;
#endif

inline constexpr char Separator(PathStyle style) {
    return style == PathStyle::Windows ? '\\' : '/';
}

}  // namespace corvantis
