// Windows spells UTF-16 as wchar_t; the plug-in, on every system, as
// char16_t. The same code units, so the one conversion is a view.
#pragma once

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wchar_t is a UTF-16 code unit");

inline const wchar_t* AsWindowsText(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
