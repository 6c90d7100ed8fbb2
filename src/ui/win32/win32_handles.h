// Owners for the Win32 handles of the view: each frees its handle exactly once, with the
// function that handle needs, when it goes out of scope or gets another handle.
#pragma once

#include <windows.h>

#include <utility>

namespace corvantis {

template <class Handle, class Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    // Frees the handle held (if any) and holds `handle` instead.
    void Reset(Handle handle = nullptr) {
        if (m_handle != nullptr && m_handle != handle) {
            Traits::Free(m_handle);
        }
        m_handle = handle;
    }
    // Gives the handle up without freeing it (the system already did, or a new owner will).
    Handle Release() { return std::exchange(m_handle, nullptr); }

private:
    Handle m_handle = nullptr;
};

struct WindowTraits {
    static void Free(HWND handle) { DestroyWindow(handle); }
};
struct GdiTraits {
    static void Free(HGDIOBJ handle) { DeleteObject(handle); }
};
struct IconTraits {
    static void Free(HICON handle) { DestroyIcon(handle); }
};
struct MenuTraits {
    static void Free(HMENU handle) { DestroyMenu(handle); }
};

// A window's device context (the screen's for nullptr), released on scope exit; a font
// selected into it through Select is deselected first.
class WindowDc {
public:
    explicit WindowDc(HWND window) : m_window(window), m_dc(GetDC(window)) {}
    ~WindowDc() {
        if (m_dc != nullptr) {
            if (m_original != nullptr) {
                SelectObject(m_dc, m_original);
            }
            ReleaseDC(m_window, m_dc);
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC Get() const { return m_dc; }
    // Selects `object` (a font) for the measurements that follow.
    void Select(HGDIOBJ object) {
        HGDIOBJ previous = SelectObject(m_dc, object);
        if (m_original == nullptr) {
            m_original = previous;
        }
    }

private:
    HWND m_window;
    HDC m_dc;
    HGDIOBJ m_original = nullptr;
};

using UniqueWindow = UniqueHandle<HWND, WindowTraits>;
using UniqueFont = UniqueHandle<HFONT, GdiTraits>;
using UniqueBrush = UniqueHandle<HBRUSH, GdiTraits>;
using UniqueIcon = UniqueHandle<HICON, IconTraits>;
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;

}  // namespace corvantis
