#include "host/archive_walk.h"

#include "records/midi_record.h"

namespace fs = std::filesystem;

namespace {

// A member's name from its archive's top: tar members are often stored as
// "./name".
std::string FromTop(const std::string& name) {
    std::size_t at = 0;
    while (name.compare(at, 2, "./") == 0) at += 2;
    return name.substr(at);
}

}  // namespace

ArchiveWalk::ArchiveWalk(const fs::path& archive, std::function<bool(const fs::path&)> accept, bool recurse)
    : archive_(archive), accept_(std::move(accept)), recurse_(recurse), reader_(archive) {}

fs::path ArchiveWalk::MemberPath(const std::string& name) const {
    // Joined as text: a member named "/etc/x" or "../x" must not replace or
    // climb out of the archive's path, as joining paths would have it.
    fs::path::string_type joined = archive_.native();
    joined += fs::path::value_type{'/'};
    joined += fs::path(name).native();
    return fs::path(joined);
}

bool ArchiveWalk::Next(WalkEntry& entry) {
    if (ended_) return false;
    if (!reader_.OpenProblem().empty()) {
        ended_ = true;
        entry = WalkEntry{archive_, reader_.OpenProblem(), nullptr};
        return true;
    }
    ArchiveMember member;
    while (reader_.NextMember(member)) {
        const std::string fromTop = FromTop(member.name);
        const std::size_t slash = fromTop.find('/');
        const bool atTop = slash == std::string::npos || slash + 1 == fromTop.size();
        if (member.kind == ArchiveMember::Kind::kFolder || member.kind == ArchiveMember::Kind::kOther) continue;
        if (!recurse_ && !atTop) continue;
        const std::string lastName = fromTop.substr(fromTop.rfind('/') + 1);
        if (accept_ && !accept_(fs::path(lastName))) {
            ++skipped_;
            continue;
        }
        reader_.ReadData(member);
        entry = WalkEntry{MemberPath(member.name), member.problem, nullptr};
        if (!member.problem.empty()) return true;
        auto record = std::make_shared<MidiRecord>();
        ReadMidiRecordFromMemory(member.bytes.data(), member.bytes.size(), record.get());
        entry.record = std::move(record);
        return true;
    }
    ended_ = true;
    if (reader_.EndProblem().empty()) return false;
    entry = WalkEntry{archive_, reader_.EndProblem(), nullptr};
    return true;
}
