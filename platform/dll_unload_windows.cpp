// The DLL's entry point, for its unload.
//
// The DLL carries its own copy of the C++ runtime, and that sets aside a
// block of about 70 KB at load for exceptions thrown when memory runs out,
// and never gives it back: a host that loads and unloads the plug-in again
// and again would lose one each time. __freeres (there for leak checkers)
// frees it. Only on FreeLibrary (reserved is null); at process exit the
// system takes everything back anyway.
#include <windows.h>

namespace __gnu_cxx {
void __freeres();
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) __gnu_cxx::__freeres();
    return TRUE;
}
