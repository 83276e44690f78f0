// The archive reader where the program is built without libarchive (the
// Windows program: Debian has no MinGW build of it). Every archive is
// refused with the words on what to use instead.
#include "host/archive_reader.h"

bool ArchivesAreRead() { return false; }

const char* ArchivesNotReadReason() {
    return "an archive, which the Windows program does not read: unpack it first (Explorer, or tar -xf), or read "
           "it with the Python package";
}

struct ArchiveReader::State {
    std::string problem = ArchivesNotReadReason();
    std::string none;
};

ArchiveReader::ArchiveReader(const std::filesystem::path&) : state_(std::make_unique<State>()) {}

ArchiveReader::~ArchiveReader() = default;

const std::string& ArchiveReader::OpenProblem() const { return state_->problem; }

bool ArchiveReader::IsNotAnArchive() const { return false; }

bool ArchiveReader::NextMember(ArchiveMember&) { return false; }

void ArchiveReader::ReadData(ArchiveMember& member) { member.problem = state_->problem; }

const std::string& ArchiveReader::EndProblem() const { return state_->none; }
