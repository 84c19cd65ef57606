// The few names the translator writes that are its own literals, not names
// of the tag table: the attributes of a window position with the values of
// its style, and the smart-redraw switch of a view. The read model reads
// them from here.
#pragma once

namespace brevan::literal_names {

inline constexpr const wchar_t* kX = L"X";
inline constexpr const wchar_t* kY = L"Y";
inline constexpr const wchar_t* kUnits = L"Units";
inline constexpr const wchar_t* kWidth = L"Width";
inline constexpr const wchar_t* kHeight = L"Height";
inline constexpr const wchar_t* kStyle = L"Style";
inline constexpr const wchar_t* kSmartRedraw = L"SmartRedraw";
// The values of kStyle: a minimized or a maximized window.
inline constexpr const wchar_t* kMinimized = L"min";
inline constexpr const wchar_t* kMaximized = L"max";

}  // namespace brevan::literal_names
