// Key names for the Key Signature meta event, indexed by sf + 7 for sf from
// -7 (seven flats) to 7 (seven sharps).
#pragma once

constexpr int kKeyNameCount = 15;

extern const char16_t* const MajorKeyNames[kKeyNameCount];
extern const char16_t* const MinorKeyNames[kKeyNameCount];
