#include "platform/file_access.h"

#include <windows.h>

#include "platform/long_path.h"
#include "platform/windows_text.h"

namespace {

// Opens name, which is in a form Windows takes whatever its length, after a
// look at the name's attributes, which it leaves in attributes.
HANDLE OpenShared(const wchar_t* name, DWORD& attributes) {
    attributes = GetFileAttributesW(name);
    if (attributes == INVALID_FILE_ATTRIBUTES || RefusedByAttributes(attributes)) return INVALID_HANDLE_VALUE;
    // Shared for reading, writing and deleting: a sync client or an editor
    // that holds the file open with delete access does not keep it from
    // being read, and while it is read, others may rename or delete it.
    return CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

// Its own frame: only a long path pays for the buffer of its long form.
__attribute__((noinline)) HANDLE OpenLongPath(const wchar_t* path, DWORD& attributes) {
    wchar_t buffer[kLongestPath + 1];
    const wchar_t* name = LongPathForm(path, buffer);
    return name != nullptr ? OpenShared(name, attributes) : INVALID_HANDLE_VALUE;
}

// Devices (CON, NUL, COM1) and pipes open like files, and a read from a
// console or an idle pipe would hang the host: only disk files pass. Narrow
// questions rather than GetFileInformationByHandle, which also asks for the
// volume and the name and costs a hundred times more under Wine.
class OpenedHandle final : public OpenedFile {
public:
    explicit OpenedHandle(HANDLE handle) : handle_(handle) {}
    bool IsDiskFile() const override { return GetFileType(handle_) == FILE_TYPE_DISK; }
    bool Size(std::int64_t& size) const override {
        LARGE_INTEGER value;
        if (!GetFileSizeEx(handle_, &value)) return false;
        size = value.QuadPart;
        return true;
    }
    bool Attributes(std::uint32_t& attributes) const override {
        FILE_BASIC_INFO information;
        if (!GetFileInformationByHandleEx(handle_, FileBasicInfo, &information, sizeof information)) return false;
        attributes = information.FileAttributes;
        return true;
    }

private:
    HANDLE handle_;
};

}  // namespace

bool DataIsElsewhere(std::uint32_t attributes) {
    // The values of FILE_ATTRIBUTE_RECALL_ON_OPEN and _ON_DATA_ACCESS, which
    // older headers lack.
    constexpr std::uint32_t kRecallOnOpen = 0x00040000;
    constexpr std::uint32_t kRecallOnDataAccess = 0x00400000;
    return (attributes & (FILE_ATTRIBUTE_OFFLINE | kRecallOnOpen | kRecallOnDataAccess)) != 0;
}

bool RefusedByAttributes(std::uint32_t attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || DataIsElsewhere(attributes);
}

std::int64_t SizeOfOpened(const OpenedFile& opened, std::uint32_t nameAttributes) {
    std::int64_t size = -1;
    if (!opened.IsDiskFile() || !opened.Size(size)) return -1;
    std::uint32_t reached = nameAttributes;
    if ((nameAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && !opened.Attributes(reached)) return -1;
    return RefusedByAttributes(reached) ? -1 : size;
}

bool OpenFileForReading(const char16_t* path, ReadableFile& file) {
    file = ReadableFile{reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE), -1};
    if (path == nullptr) return false;
    const wchar_t* name = AsWindowsText(path);
    DWORD attributes = 0;
    HANDLE handle = NeedsLongPathForm(name) ? OpenLongPath(name, attributes) : OpenShared(name, attributes);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const std::int64_t size = SizeOfOpened(OpenedHandle(handle), attributes);
    if (size < 0) {
        CloseHandle(handle);
        return false;
    }
    file = ReadableFile{reinterpret_cast<std::intptr_t>(handle), size};
    return true;
}

bool OpenFileBySystemName(const char16_t* name, ReadableFile& file) { return OpenFileForReading(name, file); }

std::ptrdiff_t ReadFileBytes(ReadableFile& file, std::uint8_t* buffer, std::size_t count) {
    // One ReadFile moves at most 4 GiB - 1; the reader asks for far less.
    const DWORD request = count < 0x7FFFFFFF ? static_cast<DWORD>(count) : 0x7FFFFFFF;
    DWORD got = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(file.handle), buffer, request, &got, nullptr)) return -1;
    return static_cast<std::ptrdiff_t>(got);
}

bool SeekFileTo(ReadableFile& file, std::int64_t position) {
    LARGE_INTEGER target;
    target.QuadPart = position;
    return SetFilePointerEx(reinterpret_cast<HANDLE>(file.handle), target, nullptr, FILE_BEGIN) != 0;
}

void CloseFile(ReadableFile& file) {
    CloseHandle(reinterpret_cast<HANDLE>(file.handle));
    file.handle = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
}
