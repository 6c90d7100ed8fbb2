#include "ui/win32/win32_dpi.h"

#include "ui/win32/win32_handles.h"

namespace corvantis {
namespace {

constexpr UINT kDefaultDpi = USER_DEFAULT_SCREEN_DPI;

// The address of an export of user32 (or another loaded system module) as a function of
// type Fn; nullptr where this Windows lacks it.
template <class Fn>
Fn SystemFunction(const wchar_t* module, const char* name) {
    HMODULE handle = GetModuleHandleW(module);
    if (handle == nullptr) {
        handle = LoadLibraryW(module);
    }
    if (handle == nullptr) {
        return nullptr;
    }
    // Through void (*)(), which any function type may be cast from and to.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(handle, name)));
}

using SetContextFn = BOOL(WINAPI*)(HANDLE);
using GetContextFn = HANDLE(WINAPI*)();
using AreContextsEqualFn = BOOL(WINAPI*)(HANDLE, HANDLE);
using SetAwarenessFn = HRESULT(WINAPI*)(int);
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using SystemParametersForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
using GetMetricForDpiFn = int(WINAPI*)(int, UINT);
using AdjustRectForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

// DPI_AWARENESS_CONTEXT values, as the system defines them.
const HANDLE kContextSystem = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-2));
const HANDLE kContextPerMonitor = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));
const HANDLE kContextPerMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
constexpr int kProcessPerMonitorDpiAware = 2;

UINT SystemDpi() {
    const WindowDc screen(nullptr);
    const int dpi = screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

}  // namespace

DpiAwareness EnablePerMonitorDpiAwareness() {
    const auto setContext =
        SystemFunction<SetContextFn>(L"user32.dll", "SetProcessDpiAwarenessContext");
    if (setContext != nullptr) {
        if (setContext(kContextPerMonitorV2)) {
            return DpiAwareness::PerMonitorV2;
        }
        if (setContext(kContextPerMonitor)) {
            return DpiAwareness::PerMonitor;
        }
        // Refused: the manifest may already have set the awareness; report what is in force.
        const auto getContext =
            SystemFunction<GetContextFn>(L"user32.dll", "GetThreadDpiAwarenessContext");
        const auto equal =
            SystemFunction<AreContextsEqualFn>(L"user32.dll", "AreDpiAwarenessContextsEqual");
        if (getContext != nullptr && equal != nullptr) {
            const HANDLE current = getContext();
            if (equal(current, kContextPerMonitorV2)) {
                return DpiAwareness::PerMonitorV2;
            }
            if (equal(current, kContextPerMonitor)) {
                return DpiAwareness::PerMonitor;
            }
            if (equal(current, kContextSystem)) {
                return DpiAwareness::System;
            }
        }
    }
    const auto setAwareness =
        SystemFunction<SetAwarenessFn>(L"shcore.dll", "SetProcessDpiAwareness");
    if (setAwareness != nullptr && SUCCEEDED(setAwareness(kProcessPerMonitorDpiAware))) {
        return DpiAwareness::PerMonitor;
    }
    return SetProcessDPIAware() ? DpiAwareness::System : DpiAwareness::Unaware;
}

UINT DpiForWindow(HWND window) {
    static const auto getDpi = SystemFunction<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
    if (getDpi != nullptr && window != nullptr) {
        const UINT dpi = getDpi(window);
        if (dpi != 0) {
            return dpi;
        }
    }
    return SystemDpi();
}

LOGFONTW MessageFontForDpi(UINT dpi) {
    static const auto forDpi =
        SystemFunction<SystemParametersForDpiFn>(L"user32.dll", "SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (forDpi != nullptr && forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) {
        return metrics.lfMessageFont;
    }
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        LOGFONTW font = metrics.lfMessageFont;
        font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
        return font;
    }
    LOGFONTW font{};
    font.lfHeight = -MulDiv(9, static_cast<int>(dpi), 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, L"Segoe UI", LF_FACESIZE);
    return font;
}

int SystemMetricForDpi(int index, UINT dpi) {
    static const auto forDpi =
        SystemFunction<GetMetricForDpiFn>(L"user32.dll", "GetSystemMetricsForDpi");
    if (forDpi != nullptr) {
        return forDpi(index, dpi);
    }
    return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

RECT WindowRectForClient(const RECT& client, DWORD style, DWORD exStyle, UINT dpi) {
    static const auto forDpi =
        SystemFunction<AdjustRectForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi");
    RECT rect = client;
    if (forDpi == nullptr || !forDpi(&rect, style, FALSE, exStyle, dpi)) {
        rect = client;
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return rect;
}

}  // namespace corvantis
