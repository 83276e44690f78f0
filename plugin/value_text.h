// The text of each field, formatted from a valid summary.
//
// Numbers are formatted without the C locale, so a host whose locale uses a
// decimal comma still gets "120.00", and the digits are the correctly rounded
// ones, the same on every platform.
#pragma once

#include "midi/midi_summary.h"

// Longer than any field's text ("sf=-128 minor", "255/2147483648", ...).
constexpr int kValueTextCapacity = 48;

struct ValueText {
    char16_t text[kValueTextCapacity];
    int length;
};

// Formats field fieldIndex (0 to 8) of a valid summary into value. Returns
// false when the field has no value for this file (value.text is then "").
bool FormatFieldValue(const MidiSummary& summary, int fieldIndex, ValueText& value);
