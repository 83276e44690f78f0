// Windows entry point: the arguments arrive as UTF-16 through wmain, so any
// file name reaches the plug-in intact whatever the ANSI code page is. They
// are handed to RunHost as UTF-8, like the POSIX entry point's.
#include <windows.h>

#include <string>
#include <vector>

#include "host/run_host.h"
#include "host/system.h"
#include "host/text_encoding.h"

int wmain(int argc, wchar_t** argv) {
    // Whatever loads a library from now on (the plug-in's imports, the
    // system's own delay-loaded ones) looks in the system folder only,
    // never in the current folder or along PATH.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    PrepareStandardStreams();
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is a UTF-16 code unit on Windows");
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(Utf16ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
    const int status = RunHost(arguments);
    RestoreConsole();
    return status;
}
