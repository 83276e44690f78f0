// Key names for the Key Signature meta event, indexed by sf + 7 for sf from
// -7 (seven flats) to 7 (seven sharps).
#pragma once

#include "platform/platform.h"

constexpr int kKeyNameCount = 15;

extern const WideChar* const MajorKeyNames[kKeyNameCount];
extern const WideChar* const MinorKeyNames[kKeyNameCount];
