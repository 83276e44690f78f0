// The files the plug-in handles, as the host interface's detection
// expression says it: those whose extension is MID or MIDI, in any case.
#pragma once

inline constexpr char kDetectString[] = "EXT=\"MID\" | EXT=\"MIDI\"";
