// The archive reader over libarchive: zip and tar formats only, with the
// gzip, bzip2 and xz filters, so nothing else libarchive knows (ISO images,
// RAR, cpio...) is ever taken for a collection.
#include <archive.h>
#include <archive_entry.h>
#include <locale.h>

#include "host/archive_reader.h"
#include "host/reason_text.h"

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;

// libarchive's message in the program's words.
std::string ArchiveReason(struct archive* archive) {
    const char* text = archive_error_string(archive);
    std::string reason = text != nullptr ? text : "unknown error";
    while (!reason.empty() && (reason.back() == '.' || reason.back() == '\n' || reason.back() == ' ')) reason.pop_back();
    return LowerCaseStart(reason);
}

// libarchive turns a name it knows to be UTF-8 (a zip's flagged names, a
// pax header's) into the locale's character set, and in the C locale it
// cannot, so such a name would be lost. The reader's calls therefore run in
// a UTF-8 locale of their own thread's; other names come as the archive
// stores them, since libarchive converts nothing it has no character set
// for. The program's own locale stays as it is.
class Utf8Names {
public:
    Utf8Names() : previous_(Utf8Locale() != nullptr ? uselocale(Utf8Locale()) : nullptr) {}
    ~Utf8Names() {
        if (previous_ != nullptr) uselocale(previous_);
    }
    Utf8Names(const Utf8Names&) = delete;
    Utf8Names& operator=(const Utf8Names&) = delete;

private:
    static locale_t Utf8Locale() {
        static const locale_t locale = [] {
            for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
                if (locale_t made = newlocale(LC_CTYPE_MASK, name, nullptr)) return made;
            return locale_t{nullptr};
        }();
        return locale;
    }
    locale_t previous_;
};

std::string MemberName(struct archive_entry* entry) {
    if (const char* name = archive_entry_pathname(entry)) return name;
    if (const char* name = archive_entry_pathname_utf8(entry)) return name;
    return "";
}

bool IsUnrecognisedFormat(struct archive* archive) {
    const char* text = archive_error_string(archive);
    return text != nullptr && std::string(text).rfind("Unrecognized archive format", 0) == 0;
}

}  // namespace

bool ArchivesAreRead() { return true; }

const char* ArchivesNotReadReason() { return ""; }

struct ArchiveReader::State {
    struct archive* archive = nullptr;
    std::string openProblem;
    std::string endProblem;
    bool notAnArchive = false;
    bool gaveMember = false;
    std::int64_t statedSize = -1;  // of the current member, -1 when the header does not say
};

ArchiveReader::ArchiveReader(const std::filesystem::path& path) : state_(std::make_unique<State>()) {
    const Utf8Names names;
    state_->archive = archive_read_new();
    if (state_->archive == nullptr) {
        state_->openProblem = "out of memory";
        return;
    }
    archive_read_support_format_zip(state_->archive);
    archive_read_support_format_tar(state_->archive);
    archive_read_support_format_gnutar(state_->archive);
    archive_read_support_filter_gzip(state_->archive);
    archive_read_support_filter_bzip2(state_->archive);
    archive_read_support_filter_xz(state_->archive);
    if (archive_read_open_filename(state_->archive, path.c_str(), kBlockSize) != ARCHIVE_OK) {
        // Compressed data that holds no tar is not a damaged archive but
        // no archive at all (a song.mid.gz, say): libarchive finds no
        // format at the first header.
        if (IsUnrecognisedFormat(state_->archive)) state_->notAnArchive = true;
        else state_->openProblem = "damaged archive: " + ArchiveReason(state_->archive);
    }
}

ArchiveReader::~ArchiveReader() {
    const Utf8Names names;
    if (state_->archive != nullptr) archive_read_free(state_->archive);
}

const std::string& ArchiveReader::OpenProblem() const { return state_->openProblem; }

bool ArchiveReader::IsNotAnArchive() const { return state_->notAnArchive; }

const std::string& ArchiveReader::EndProblem() const { return state_->endProblem; }

bool ArchiveReader::NextMember(ArchiveMember& member) {
    const Utf8Names names;
    member = ArchiveMember{};
    if (!state_->openProblem.empty() || !state_->endProblem.empty() || state_->notAnArchive) return false;
    struct archive_entry* entry = nullptr;
    const int result = archive_read_next_header(state_->archive, &entry);
    if (result == ARCHIVE_EOF) return false;
    if (result < ARCHIVE_WARN || entry == nullptr) {
        if (!state_->gaveMember && IsUnrecognisedFormat(state_->archive)) {
            state_->notAnArchive = true;
            return false;
        }
        state_->endProblem = "damaged archive: " + ArchiveReason(state_->archive);
        return false;
    }
    state_->gaveMember = true;
    member.name = MemberName(entry);
    state_->statedSize = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
    switch (archive_entry_filetype(entry)) {
        case AE_IFREG: member.kind = archive_entry_hardlink(entry) != nullptr ? ArchiveMember::Kind::kLink
                                                                                : ArchiveMember::Kind::kFile;
            break;
        case AE_IFDIR: member.kind = ArchiveMember::Kind::kFolder; break;
        case AE_IFLNK: member.kind = ArchiveMember::Kind::kLink; break;
        default: member.kind = archive_entry_hardlink(entry) != nullptr ? ArchiveMember::Kind::kLink
                                                                         : ArchiveMember::Kind::kOther;
    }
    if (member.kind == ArchiveMember::Kind::kFile && archive_entry_is_data_encrypted(entry))
        member.problem = "encrypted, not read";
    return true;
}

void ArchiveReader::ReadData(ArchiveMember& member) {
    const Utf8Names names;
    member.bytes.clear();
    if (!member.problem.empty()) return;
    if (member.kind == ArchiveMember::Kind::kLink) {
        member.problem = "a link within the archive, not read";
        return;
    }
    if (state_->statedSize > static_cast<std::int64_t>(kLargestMember)) {
        member.problem = "larger than 256 MiB, not read";
        return;
    }
    if (state_->statedSize > 0) member.bytes.reserve(static_cast<std::size_t>(state_->statedSize));
    std::uint8_t block[kBlockSize];
    for (;;) {
        const la_ssize_t got = archive_read_data(state_->archive, block, sizeof block);
        if (got == 0) return;
        if (got < 0) {
            member.bytes.clear();
            // The member's data is bad; what follows may still read.
            member.problem = "damaged archive: " + ArchiveReason(state_->archive);
            if (got == ARCHIVE_FATAL) state_->endProblem = member.problem;
            return;
        }
        if (member.bytes.size() + static_cast<std::size_t>(got) > kLargestMember) {
            member.bytes.clear();
            member.bytes.shrink_to_fit();
            member.problem = "larger than 256 MiB, not read";
            return;
        }
        member.bytes.insert(member.bytes.end(), block, block + got);
    }
}
