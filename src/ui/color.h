#pragma once
// Colours in the Windows form 0x00BBGGRR. System colours carry the high bit and the index of
// the system colour (as GetSysColor numbers them); the widget set resolves them.
#include <cstdint>

namespace kelvara::ui {

using Color = std::uint32_t;

inline constexpr Color kSystemColorFlag = 0x80000000u;
constexpr Color SystemColor(int index) { return kSystemColorFlag | static_cast<Color>(index); }
constexpr bool IsSystemColor(Color c) { return (c & kSystemColorFlag) != 0; }
constexpr Color Rgb(int r, int g, int b) {
    return static_cast<Color>(r & 0xFF) | (static_cast<Color>(g & 0xFF) << 8) | (static_cast<Color>(b & 0xFF) << 16);
}
constexpr int RedOf(Color c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Color c) { return static_cast<int>((c >> 16) & 0xFF); }

inline constexpr Color clBlack = 0x000000;
inline constexpr Color clWhite = 0xFFFFFF;
inline constexpr Color clSilver = 0xC0C0C0;
inline constexpr Color clGray = 0x808080;
inline constexpr Color clRed = 0x0000FF;
inline constexpr Color clBlue = 0xFF0000;
inline constexpr Color clNavy = 0x800000;
// Sentinel for "no colour": a transparent fill, or a property that follows its parent.
inline constexpr Color clNone = 0x1FFFFFFFu;

// System colours by GetSysColor index.
inline constexpr Color clActiveCaption = SystemColor(2);
inline constexpr Color clWindow = SystemColor(5);
inline constexpr Color clWindowText = SystemColor(8);
inline constexpr Color clBtnFace = SystemColor(15);
inline constexpr Color clBtnShadow = SystemColor(16);
inline constexpr Color clGrayText = SystemColor(17);
inline constexpr Color clBtnText = SystemColor(18);
inline constexpr Color clBtnHighlight = SystemColor(20);
inline constexpr Color clHighlight = SystemColor(13);
inline constexpr Color clHighlightText = SystemColor(14);

// The classic Windows scheme: what the headless set answers for system colours, and what a
// test can expect when it reads pixels back.
Color DefaultSystemColor(int index);

}  // namespace kelvara::ui
