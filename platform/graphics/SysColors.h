// The fixed system colour table, indexed by the Windows system colour
// numbers (0 scroll bar .. 30 menu bar). Header-only and free of other
// includes so that the GDI layer below can answer GetSysColor from it too.
//
// The values are the standard scheme of Windows 7 (the reported version is
// 6.1). They never change at run time, so pixel tests can rely on them; tests
// should read the table rather than repeat the numbers.
#pragma once
#include <cstdint>

// Number of entries; an index at or past it resolves to black.
constexpr int SysColorCount = 31;

// 0x00BBGGRR values.
inline constexpr std::uint32_t SysColorTable[SysColorCount] = {
    0x00C8C8C8,  //  0 scroll bar
    0x00000000,  //  1 desktop background
    0x00D1B499,  //  2 active caption
    0x00DBCDBF,  //  3 inactive caption
    0x00F0F0F0,  //  4 menu
    0x00FFFFFF,  //  5 window
    0x00646464,  //  6 window frame
    0x00000000,  //  7 menu text
    0x00000000,  //  8 window text
    0x00000000,  //  9 caption text
    0x00B4B4B4,  // 10 active border
    0x00FCF7F4,  // 11 inactive border
    0x00ABABAB,  // 12 application work space
    0x00FF9933,  // 13 highlight
    0x00FFFFFF,  // 14 highlight text
    0x00F0F0F0,  // 15 button face
    0x00A0A0A0,  // 16 button shadow
    0x006D6D6D,  // 17 grey text
    0x00000000,  // 18 button text
    0x00544E43,  // 19 inactive caption text
    0x00FFFFFF,  // 20 button highlight
    0x00696969,  // 21 3-D dark shadow
    0x00E3E3E3,  // 22 3-D light
    0x00000000,  // 23 info text
    0x00E1FFFF,  // 24 info background
    0x00B5B5B5,  // 25 (unused by Windows; kept so the indexes stay dense)
    0x00CC6600,  // 26 hot-tracked item
    0x00EAD1B9,  // 27 gradient active caption
    0x00F2E4D7,  // 28 gradient inactive caption
    0x00FF9933,  // 29 menu highlight
    0x00F0F0F0,  // 30 menu bar
};

// The 0x00BBGGRR value of a system colour index.
constexpr std::uint32_t SysColorToRGB(int index) {
  return index >= 0 && index < SysColorCount ? SysColorTable[index] : 0u;
}
