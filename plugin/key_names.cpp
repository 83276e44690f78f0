#include "plugin/key_names.h"

const char16_t* const MajorKeyNames[kKeyNameCount] = {
    u"Cb", u"Gb", u"Db", u"Ab", u"Eb", u"Bb", u"F", u"C", u"G", u"D", u"A", u"E", u"B", u"F#", u"C#",
};

const char16_t* const MinorKeyNames[kKeyNameCount] = {
    u"Abm", u"Ebm", u"Bbm", u"Fm", u"Cm", u"Gm", u"Dm", u"Am", u"Em", u"Bm", u"F#m", u"C#m", u"G#m", u"D#m", u"A#m",
};
