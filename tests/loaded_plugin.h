// The plug-in as a host sees it: the shared library loaded at run time and
// its four exports looked up by name (dlopen/dlsym, or LoadLibraryW and
// GetProcAddress on Windows).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace loaded_plugin {

// The host interface's wide character: wchar_t on Windows, a 16-bit code
// unit elsewhere. Tests spell text as char16_t on every system.
#ifdef _WIN32
using HostWide = wchar_t;
#else
using HostWide = char16_t;
#endif
static_assert(sizeof(HostWide) == sizeof(char16_t), "wide characters must be UTF-16 code units");

using GetDetectString = int (*)(char*, int);
using GetSupportedField = int (*)(int, char*, char*, int);
using GetValueW = int (*)(const HostWide*, int, int, HostWide*, int, int);
using SetDefaultParams = void (*)(void*);

struct Exports {
    GetDetectString getDetectString;
    GetSupportedField getSupportedField;
    GetValueW getValueW;
    SetDefaultParams setDefaultParams;

    int getValue(const char16_t* path, int field, int unit, char16_t* buffer, int maxLength, int flags) const {
        return getValueW(reinterpret_cast<const HostWide*>(path), field, unit, reinterpret_cast<HostWide*>(buffer),
                         maxLength, flags);
    }
};

#ifdef _WIN32
// The DLL is built beside the test program; LoadLibraryW gets its full
// UTF-16 path, as a host passes it.
inline HMODULE LoadLibraryBesideProgram() {
    wchar_t path[32768];
    const DWORD length = GetModuleFileNameW(nullptr, path, sizeof path / sizeof path[0]);
    std::wstring folder(path, length);
    folder = folder.substr(0, folder.find_last_of(L"\\/") + 1);
    const HMODULE module = LoadLibraryW((folder + L"midifields.dll").c_str());
    if (module == nullptr) {
        ADD_FAILURE() << "cannot load midifields.dll beside the test program: error " << GetLastError();
        std::abort();
    }
    return module;
}

template <typename Function>
Function Find(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
#else
inline void* LoadLibraryBesideProgram() {
    void* handle = dlopen(MIDIFIELDS_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        ADD_FAILURE() << "cannot load " << MIDIFIELDS_PLUGIN_PATH << ": " << dlerror();
        std::abort();
    }
    return handle;
}

template <typename Function>
Function Find(void* handle, const char* name) {
    return reinterpret_cast<Function>(dlsym(handle, name));
}
#endif

// Loads the library once per test program.
inline const Exports& Plugin() {
    static const Exports exports = [] {
        const auto library = LoadLibraryBesideProgram();
        Exports e{};
        e.getDetectString = Find<GetDetectString>(library, "ContentGetDetectString");
        e.getSupportedField = Find<GetSupportedField>(library, "ContentGetSupportedField");
        e.getValueW = Find<GetValueW>(library, "ContentGetValueW");
        e.setDefaultParams = Find<SetDefaultParams>(library, "ContentSetDefaultParams");
        if (!e.getDetectString || !e.getSupportedField || !e.getValueW || !e.setDefaultParams) std::abort();
        return e;
    }();
    return exports;
}

// Asks for one field through the export; returns the text, or "<empty>"
// when the export returns -3.
inline std::string Value(const std::u16string& path, int field) {
    char16_t buffer[128];
    const int kind = Plugin().getValue(path.c_str(), field, 0, buffer, sizeof buffer, 0);
    if (kind == -3) return "<empty>";
    EXPECT_EQ(kind, 11);
    std::string out;
    for (const char16_t* p = buffer; *p != 0; ++p) out += *p < 0x80 ? static_cast<char>(*p) : '?';
    return out;
}

}  // namespace loaded_plugin
