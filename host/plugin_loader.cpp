#include "host/plugin_loader.h"

#ifdef _WIN32

#include <windows.h>

#include "host/text_encoding.h"

namespace {

constexpr char kLibraryName[] = "midifields.dll";

// GetProcAddress hands back a generic function pointer; the exports' real
// types are known only from the host interface.
template <typename Function>
bool Resolve(void* handle, const char* name, Function& function, std::string& error) {
    const FARPROC address = GetProcAddress(static_cast<HMODULE>(handle), name);
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(address));
    if (function == nullptr) error = std::string("the plug-in lacks the export ") + name;
    return function != nullptr;
}

std::string LastErrorText() {
    const DWORD code = GetLastError();
    wchar_t message[512];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        message, sizeof message / sizeof message[0], nullptr);
    if (length == 0) return "error " + std::to_string(code);
    DWORD end = length;
    while (end > 0 && (message[end - 1] == L'\r' || message[end - 1] == L'\n' || message[end - 1] == L' ')) --end;
    message[end] = L'\0';
    return Utf16ToUtf8(reinterpret_cast<const char16_t*>(message));
}

}  // namespace

std::string DefaultPluginPath() {
    // Long paths: grow the buffer until the whole name fits.
    std::wstring exe(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
        if (length == 0) return kLibraryName;
        if (length < exe.size()) {
            exe.resize(length);
            break;
        }
        exe.resize(exe.size() * 2);
    }
    const std::size_t slash = exe.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"" : exe.substr(0, slash + 1);
    return Utf16ToUtf8(reinterpret_cast<const char16_t*>(folder.c_str())) + kLibraryName;
}

bool LoadPlugin(const std::string& path, Plugin& plugin, std::string& error) {
    std::u16string widePath;
    if (!Utf8ToUtf16(path, widePath)) {
        error = "the plug-in path is not valid UTF-8: " + path;
        return false;
    }
    const HMODULE module = LoadLibraryW(reinterpret_cast<const wchar_t*>(widePath.c_str()));
    if (module == nullptr) {
        error = "cannot load the plug-in " + path + ": " + LastErrorText();
        return false;
    }
    plugin.handle = module;
    return Resolve(plugin.handle, "ContentGetDetectString", plugin.getDetectString, error) &&
           Resolve(plugin.handle, "ContentGetSupportedField", plugin.getSupportedField, error) &&
           Resolve(plugin.handle, "ContentGetValueW", plugin.getValue, error) &&
           Resolve(plugin.handle, "ContentSetDefaultParams", plugin.setDefaultParams, error);
}

#else  // POSIX

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

std::string DefaultPluginPath() {
    char exe[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (length <= 0) return "libmidifields.so";
    std::string path(exe, static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1) + "libmidifields.so";
}

namespace {

template <typename Function>
bool Resolve(void* handle, const char* name, Function& function, std::string& error) {
    function = reinterpret_cast<Function>(dlsym(handle, name));
    if (function == nullptr) error = std::string("the plug-in lacks the export ") + name;
    return function != nullptr;
}

}  // namespace

bool LoadPlugin(const std::string& path, Plugin& plugin, std::string& error) {
    plugin.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (plugin.handle == nullptr) {
        const char* reason = dlerror();
        error = "cannot load the plug-in " + path + ": " + (reason != nullptr ? reason : "unknown error");
        return false;
    }
    return Resolve(plugin.handle, "ContentGetDetectString", plugin.getDetectString, error) &&
           Resolve(plugin.handle, "ContentGetSupportedField", plugin.getSupportedField, error) &&
           Resolve(plugin.handle, "ContentGetValueW", plugin.getValue, error) &&
           Resolve(plugin.handle, "ContentSetDefaultParams", plugin.setDefaultParams, error);
}

#endif
