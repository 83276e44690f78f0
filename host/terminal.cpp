#include "host/terminal.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define MIDIFIELDS_ISATTY(stream) (_isatty(_fileno(stream)) != 0)
#else
#include <unistd.h>
#define MIDIFIELDS_ISATTY(stream) (isatty(fileno(stream)) != 0)
#endif

bool StdoutIsTerminal() { return MIDIFIELDS_ISATTY(stdout); }
bool StderrIsTerminal() { return MIDIFIELDS_ISATTY(stderr); }
