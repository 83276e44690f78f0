// The archive reader over archives written here with libarchive: members
// in the archive's order with their names as stored, and every way an
// archive or a member can be bad.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "host/archive_reader.h"
#include "tests/archive_files.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;
using midi_bytes::operator+;
using test_files::SmallMidi;
using test_files::TestFolder;

namespace {

using archive_files::Member;
using archive_files::WriteArchive;
using NameAndOutcome = std::pair<std::string, std::string>;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Every member: its name, and its size or its problem.
std::vector<NameAndOutcome> ReadMembers(const fs::path& path, std::string& end) {
    ArchiveReader reader(path);
    std::vector<NameAndOutcome> members;
    EXPECT_EQ(reader.OpenProblem(), "") << path;
    ArchiveMember member;
    while (reader.NextMember(member)) {
        reader.ReadData(member);
        members.emplace_back(member.name, member.problem.empty() ? std::to_string(member.bytes.size()) : member.problem);
    }
    end = reader.EndProblem();
    return members;
}

// Fifty small songs and a name that is not UTF-8 (an old Latin-1 archive's).
std::vector<Member> Songs() {
    std::vector<Member> songs;
    for (int i = 0; i < 50; ++i)
        songs.push_back({"set/song" + std::to_string(i) + ".mid", SmallMidi(static_cast<std::uint32_t>(100 + i))});
    songs.push_back({"set/caf\xe9.mid", SmallMidi()});
    return songs;
}

TEST(ArchiveReader, MembersComeInTheArchivesOrderWithTheirNamesAsStored) {
    TestFolder folder;
    for (const auto& [format, filter, name] : {std::tuple{"zip", "none", "a.zip"}, std::tuple{"gnutar", "gzip", "a.tar.gz"},
                                               std::tuple{"gnutar", "xz", "a.tar.xz"}, std::tuple{"gnutar", "bzip2", "a.tar.bz2"}}) {
        WriteArchive(folder.Root() / name, format, filter, Songs());
        std::string end;
        const auto members = ReadMembers(folder.Root() / name, end);
        ASSERT_EQ(members.size(), 51u) << name;
        EXPECT_EQ(members[0], NameAndOutcome("set/song0.mid", std::to_string(SmallMidi(100).size())));
        EXPECT_EQ(members[49].first, "set/song49.mid");
        EXPECT_EQ(members[50].first, "set/caf\xe9.mid") << name;
        EXPECT_EQ(end, "") << name;
        const std::string head = ReadAll(folder.Root() / name).substr(0, kArchiveSniffSize);
        EXPECT_TRUE(LooksLikeArchive(reinterpret_cast<const std::uint8_t*>(head.data()), head.size())) << name;
    }
    EXPECT_TRUE(HasArchiveName("Collection.TAR.GZ"));
    EXPECT_FALSE(HasArchiveName("song.mid") || HasArchiveName(".zip") || HasArchiveName("notes.gz"));
    const midi_bytes::Bytes midi = SmallMidi();
    EXPECT_FALSE(LooksLikeArchive(midi.data(), midi.size()));
}

TEST(ArchiveReader, ADamagedArchiveGivesWhatItCouldReadThenSaysSo) {
    TestFolder folder;
    // Songs of 20 KB each, so the cut falls well after the first members.
    std::vector<Member> large;
    for (int i = 0; i < 20; ++i) large.push_back({"s" + std::to_string(i) + ".mid", SmallMidi() + midi_bytes::Bytes(20000, 0x55)});
    WriteArchive(folder.Root() / "whole.tar", "gnutar", "none", large);
    const std::string whole = ReadAll(folder.Root() / "whole.tar");
    WriteAll(folder.Root() / "cut.tar", whole.substr(0, whole.size() / 2));
    std::string end;
    const auto members = ReadMembers(folder.Root() / "cut.tar", end);
    EXPECT_GT(members.size(), 3u);
    EXPECT_LT(members.size(), 20u);
    EXPECT_EQ(end.rfind("damaged archive: ", 0), 0u) << end;

    // A zip whose central directory is overwritten.
    WriteArchive(folder.Root() / "whole.zip", "zip", "none", Songs());
    std::string zip = ReadAll(folder.Root() / "whole.zip");
    const std::size_t directory = zip.find("PK\x01\x02");
    ASSERT_NE(directory, std::string::npos);
    for (std::size_t i = directory; i < directory + 200 && i < zip.size(); ++i) zip[i] = 'x';
    WriteAll(folder.Root() / "bad.zip", zip);
    ArchiveReader reader(folder.Root() / "bad.zip");
    ArchiveMember member;
    while (reader.NextMember(member)) reader.ReadData(member);
    EXPECT_EQ((reader.OpenProblem() + reader.EndProblem()).rfind("damaged archive: ", 0), 0u)
        << reader.OpenProblem() << reader.EndProblem();
}

TEST(ArchiveReader, EncryptedLinkedAndOversizedMembersAreNotRead) {
    TestFolder folder;
    // A zip whose one member says it is encrypted (bit 0 of the flags, in
    // its local header and in the central directory).
    WriteArchive(folder.Root() / "plain.zip", "zip", "none", {{"secret.mid", SmallMidi()}});
    std::string zip = ReadAll(folder.Root() / "plain.zip");
    zip[6] = static_cast<char>(zip[6] | 1);
    const std::size_t central = zip.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    zip[central + 8] = static_cast<char>(zip[central + 8] | 1);
    WriteAll(folder.Root() / "secret.zip", zip);
    std::string end;
    EXPECT_EQ(ReadMembers(folder.Root() / "secret.zip", end),
              (std::vector<NameAndOutcome>{{"secret.mid", "encrypted, not read"}}));

    // A tar header that states 300 MiB of data: not read, and not sought
    // either; the data is not there, so the archive then ends damaged.
    WriteArchive(folder.Root() / "small.tar", "gnutar", "none", {{"big.mid", SmallMidi()}, {"next.mid", SmallMidi()}});
    std::string tar = ReadAll(folder.Root() / "small.tar");
    std::snprintf(&tar[124], 12, "%011o", 300u << 20);
    unsigned checksum = 0;
    for (std::size_t i = 0; i < 512; ++i) checksum += (i >= 148 && i < 156) ? 32u : static_cast<unsigned char>(tar[i]);
    std::snprintf(&tar[148], 8, "%06o", checksum);
    WriteAll(folder.Root() / "big.tar", tar);
    const auto members = ReadMembers(folder.Root() / "big.tar", end);
    ASSERT_FALSE(members.empty());
    EXPECT_EQ(members[0], NameAndOutcome("big.mid", "larger than 256 MiB, not read"));

    // Compressed data that holds no archive is no archive: a file.
    WriteArchive(folder.Root() / "one.tar.gz", "gnutar", "gzip", {{"a.mid", SmallMidi()}});
    const std::string gzip = ReadAll(folder.Root() / "one.tar.gz");
    struct archive* writer = archive_write_new();
    archive_write_set_format_raw(writer);
    archive_write_add_filter_gzip(writer);
    archive_write_open_filename(writer, (folder.Root() / "song.mid.gz").c_str());
    struct archive_entry* entry = archive_entry_new();
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_write_header(writer, entry);
    const midi_bytes::Bytes song = SmallMidi();
    archive_write_data(writer, song.data(), song.size());
    archive_entry_free(entry);
    archive_write_free(writer);
    ArchiveReader notAnArchive(folder.Root() / "song.mid.gz");
    ArchiveMember none;
    EXPECT_FALSE(notAnArchive.NextMember(none));
    EXPECT_TRUE(notAnArchive.IsNotAnArchive());
    EXPECT_EQ(notAnArchive.OpenProblem() + notAnArchive.EndProblem(), "");
}

}  // namespace
