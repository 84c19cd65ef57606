// The names the document gives that are not in the tag table: the
// attributes of a window position and the smart-redraw switch of a view.
// The translator writes them and the read model reads them.
#pragma once

namespace brevan::document_names {

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

}  // namespace brevan::document_names
