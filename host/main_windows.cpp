// Windows entry point: the arguments arrive as UTF-16 through wmain, so any
// file name reaches the plug-in intact whatever the ANSI code page is. They
// are handed to RunHost as UTF-8, like the POSIX entry point's.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/run_host.h"
#include "host/text_encoding.h"

int wmain(int argc, wchar_t** argv) {
    // Binary mode: the output is UTF-8 bytes with "\n" line ends, exactly
    // what the POSIX host prints, rather than "\r\n" from text mode; a path
    // list on stdin arrives byte for byte (NULs and Ctrl-Z included).
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // A console shows those bytes as UTF-8 only in its UTF-8 code page; the
    // user's own code page comes back on the way out.
    const UINT consoleCodePage = GetConsoleOutputCP();
    if (consoleCodePage != 0 && consoleCodePage != CP_UTF8) SetConsoleOutputCP(CP_UTF8);

    static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is a UTF-16 code unit on Windows");
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(Utf16ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
    const int status = RunHost(arguments);
    std::fflush(stdout);
    if (consoleCodePage != 0 && consoleCodePage != CP_UTF8) SetConsoleOutputCP(consoleCodePage);
    return status;
}
