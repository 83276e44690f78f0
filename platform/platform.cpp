#include "platform/platform.h"

#include "midi/midi_summary.h"

#ifdef _WIN32

#include <io.h>
#include <windows.h>

#include <cwchar>

FILE* OpenFileForReading(const WideChar* path, std::int64_t* size) {
    // The size stays unknown: asking Windows for it costs calls of its own,
    // and the reader does without it.
    if (size != nullptr) *size = -1;
    if (path == nullptr) return nullptr;
    FILE* file = _wfopen(reinterpret_cast<const wchar_t*>(path), L"rb");
    if (file == nullptr) return nullptr;
    // _wfopen also opens devices (CON, NUL, COM1) and pipes, and a read from
    // a console or an idle pipe would hang the host; only disk files pass.
    const intptr_t handle = _get_osfhandle(_fileno(file));
    if (handle == -1 || GetFileType(reinterpret_cast<HANDLE>(handle)) != FILE_TYPE_DISK) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

int SeekFile(FILE* file, std::int64_t offset, int origin) { return _fseeki64(file, offset, origin); }

void CopyNarrowTextBounded(char* dest, const char* text, int count) {
    if (dest == nullptr || count <= 0) return;
    lstrcpynA(dest, text, count);
}

void WriteNarrowText(char* dest, int maxLength, const char* text) {
    if (dest == nullptr || maxLength <= 0) return;
    // _snprintf leaves the buffer unterminated when the text fills it.
    _snprintf(dest, static_cast<size_t>(maxLength), "%s", text);
    dest[maxLength - 1] = '\0';
}

void WriteWideText(WideChar* dest, int capacity, const WideChar* text) {
    if (dest == nullptr || capacity <= 0) return;
    wchar_t* out = reinterpret_cast<wchar_t*>(dest);
    _snwprintf(out, static_cast<size_t>(capacity), L"%ls", reinterpret_cast<const wchar_t*>(text));
    out[capacity - 1] = L'\0';
}

void ConvertWideToAnsi(const WideChar* text, char* dest, int destSize) {
    if (dest == nullptr || destSize <= 0) return;
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(text);
    // WideCharToMultiByte fails outright, rather than cutting, when the text
    // does not fit. Keep the longest prefix of whole characters (a surrogate
    // pair or a double-byte character is never split) that fits with its
    // terminator, measured one character at a time.
    int characters = 0;
    int bytes = 0;
    while (wide[characters] != L'\0') {
        const bool pair = wide[characters] >= 0xD800 && wide[characters] <= 0xDBFF &&
                          wide[characters + 1] >= 0xDC00 && wide[characters + 1] <= 0xDFFF;
        const int step = pair ? 2 : 1;
        const int size = WideCharToMultiByte(CP_ACP, 0, wide + characters, step, nullptr, 0, nullptr, nullptr);
        if (size <= 0 || bytes + size > destSize - 1) break;
        bytes += size;
        characters += step;
    }
    const int written =
        characters > 0 ? WideCharToMultiByte(CP_ACP, 0, wide, characters, dest, destSize - 1, nullptr, nullptr) : 0;
    dest[written > 0 ? written : 0] = '\0';
}

// The DLL carries its own copy of the C++ runtime, and that sets aside a
// block of about 70 KB at load for exceptions thrown when memory runs out,
// and never gives it back: a host that loads and unloads the plug-in again
// and again would lose one each time. __freeres (there for leak checkers)
// frees it. Only on FreeLibrary (reserved is null); at process exit the
// system takes everything back anyway.
namespace __gnu_cxx {
void __freeres();
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) __gnu_cxx::__freeres();
    return TRUE;
}

#else  // POSIX

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

bool ConvertUtf16ToUtf8(const WideChar* text, char* out, std::size_t outSize) {
    std::size_t used = 0;
    for (const WideChar* p = text; *p != 0; ++p) {
        std::uint32_t codePoint = *p;
        if (codePoint < 0x80) {  // most paths are ASCII: one byte, straight through
            if (outSize - used <= 1) return false;  // keep room for the terminator
            out[used++] = static_cast<char>(codePoint);
            continue;
        }
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {  // a surrogate: only high then low make a pair
            if (codePoint > 0xDBFF || p[1] < 0xDC00 || p[1] > 0xDFFF) return false;
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (*++p - 0xDC00u);
        }
        // A lead byte that tells the length, then six bits in each byte after it.
        static constexpr unsigned char kLeadByte[] = {0, 0, 0xC0, 0xE0, 0xF0};
        const std::size_t length = codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
        if (outSize - used <= length) return false;  // keep room for the terminator
        for (std::size_t i = length - 1; i > 0; --i, codePoint >>= 6)
            out[used + i] = static_cast<char>(0x80 | (codePoint & 0x3F));
        out[used] = static_cast<char>(kLeadByte[length] | codePoint);
        used += length;
    }
    out[used] = '\0';
    return true;
}

FILE* OpenFileForReading(const WideChar* path, std::int64_t* size) {
    if (size != nullptr) *size = -1;
    if (path == nullptr) return nullptr;
    char utf8Path[PATH_MAX];
    if (!ConvertUtf16ToUtf8(path, utf8Path, sizeof utf8Path)) return nullptr;

    // O_NONBLOCK keeps a FIFO from blocking the open; anything but a regular
    // file (directory, FIFO, device) is then refused, so no read can hang.
    const int fd = open(utf8Path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        return nullptr;
    }
    FILE* file = fdopen(fd, "rb");
    if (file == nullptr) {
        close(fd);
        return nullptr;
    }
    // Some regular files (those in /proc) say 0 and still have content.
    if (size != nullptr && status.st_size > 0) *size = static_cast<std::int64_t>(status.st_size);
    return file;
}

int SeekFile(FILE* file, std::int64_t offset, int origin) {
    return fseeko(file, static_cast<off_t>(offset), origin);
}

void CopyNarrowTextBounded(char* dest, const char* text, int count) {
    if (dest == nullptr || count <= 0) return;
    int i = 0;
    for (; i < count - 1 && text[i] != '\0'; ++i) dest[i] = text[i];
    dest[i] = '\0';
}

void WriteNarrowText(char* dest, int maxLength, const char* text) { CopyNarrowTextBounded(dest, text, maxLength); }

void WriteWideText(WideChar* dest, int capacity, const WideChar* text) {
    if (dest == nullptr || capacity <= 0) return;
    int i = 0;
    for (; i < capacity - 1 && text[i] != 0; ++i) dest[i] = text[i];
    dest[i] = 0;
}

void ConvertWideToAnsi(const WideChar* text, char* dest, int destSize) {
    if (dest == nullptr || destSize <= 0) return;
    // Without a system code page, ASCII passes through and anything else
    // becomes '?', as a best-fit conversion to a Latin code page would.
    int i = 0;
    for (; i < destSize - 1 && text[i] != 0; ++i) dest[i] = text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    dest[i] = '\0';
}

#endif

// The scan of a file named by its path: the file is opened here, and the
// scanner reads it through a byte source over the stream.
namespace {

std::size_t ReadFromFile(void* file, std::uint8_t* buffer, std::size_t count) {
    return std::fread(buffer, 1, count, static_cast<FILE*>(file));
}

bool SeekInFile(void* file, std::int64_t position) { return SeekFile(static_cast<FILE*>(file), position, SEEK_SET) == 0; }

}  // namespace

void ScanMidiFile(const WideChar* path, MidiSummary& summary) {
    ResetMidiSummary(summary);
    std::int64_t size;
    FILE* file = OpenFileForReading(path, &size);
    if (file == nullptr) return;
    // The reader has its own buffer; a second one in the stream would only
    // copy every byte twice. Done before any other use of the stream.
    std::setvbuf(file, nullptr, _IONBF, 0);
    ScanMidiSource(ByteSource{ReadFromFile, SeekInFile, file, size}, summary);
    std::fclose(file);
}
