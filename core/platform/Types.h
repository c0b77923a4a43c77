#pragma once
// Plain values shared by the portable core and the Win32 adapters.
#include <cstdint>
#include <string>

namespace mavrion {

// An opaque window handle (an HWND's value on Windows); 0 means none.
using WindowHandle = std::uintptr_t;

// A COM-style status code: negative is failure.
using HResult = std::int32_t;
inline constexpr HResult kS_OK = 0;
inline constexpr HResult kS_FALSE = 1;
inline constexpr HResult kE_FAIL = static_cast<HResult>(0x80004005u);
inline constexpr HResult kE_NOTIMPL = static_cast<HResult>(0x80004001u);
inline constexpr HResult kE_NOINTERFACE = static_cast<HResult>(0x80004002u);
inline constexpr HResult kE_INVALIDARG = static_cast<HResult>(0x80070057u);
inline constexpr HResult kE_POINTER = static_cast<HResult>(0x80004003u);
inline constexpr HResult kE_OUTOFMEMORY = static_cast<HResult>(0x8007000Eu);
inline constexpr HResult kREGDB_E_CLASSNOTREG = static_cast<HResult>(0x80040154u);
inline constexpr HResult kVFW_E_NOT_FOUND = static_cast<HResult>(0x80040216u);
inline constexpr bool Succeeded(HResult hr) { return hr >= 0; }
inline constexpr bool Failed(HResult hr) { return hr < 0; }

// Screen rectangle in pixels; right and bottom are edge coordinates.
struct ScreenRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// Local wall-clock time, as the platform's local time reports it.
struct LocalTime {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0;
  friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

}  // namespace mavrion
