// Memory and file streams: positions, sizes, partial reads and file errors; files
// replaced only once a new version is whole.
#include "rtl/streams.h"
#include "rtl/sysutils.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

using namespace nyx;

namespace {

std::string TempName(const char* stem) {
    return (std::filesystem::temp_directory_path() /
            (std::string("nyx_") + stem + "_" + std::to_string(::getpid())))
        .string();
}

}  // namespace

TEST(MemoryStream, SeekReadWriteAndSize) {
    TMemoryStream s;
    s.WriteBuffer("hello", 5);
    EXPECT_EQ(s.Position(), 5);
    EXPECT_EQ(s.Size(), 5);

    s.SetPosition(1);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 4);  // only what is left
    EXPECT_EQ(std::string(buf, 4), "ello");
    EXPECT_EQ(s.Read(buf, 8), 0);
    EXPECT_THROW(s.ReadBuffer(buf, 1), EReadError);

    // Writing past the end grows the stream and fills the gap with zeros.
    s.Seek(2, TSeekOrigin::soEnd);
    s.WriteBuffer("!", 1);
    ASSERT_EQ(s.Size(), 8);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Memory()), 8),
              std::string("hello\0\0!", 8));

    EXPECT_EQ(s.Seek(-3, TSeekOrigin::soCurrent), 5);
    EXPECT_THROW(s.Seek(-1, TSeekOrigin::soBeginning), EStreamError);

    s.SetSize(2);
    EXPECT_EQ(s.Size(), 2);
    EXPECT_EQ(s.Position(), 2);
    s.Clear();
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
}

TEST(MemoryStream, CopyFromTakesAllOrACount) {
    TMemoryStream a, b;
    a.WriteBuffer("abcdef", 6);
    a.SetPosition(4);
    EXPECT_EQ(b.CopyFrom(a, 0), 6);  // zero: the whole source from its start
    a.SetPosition(1);
    EXPECT_EQ(b.CopyFrom(a, 2), 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.Memory()), std::size_t(b.Size())),
              "abcdefbc");
    a.SetPosition(5);
    EXPECT_THROW(b.CopyFrom(a, 3), EReadError);
}

TEST(FileStream, CreateWriteReopenAndRead) {
    const std::string name = TempName("rw");
    {
        TFileStream f(name, fmCreate);
        f.WriteBuffer("0123456789", 10);
        EXPECT_EQ(f.Size(), 10);
        f.SetSize(4);
        EXPECT_EQ(f.Position(), 4);
    }
    {
        TFileStream f(name, fmOpenRead);
        EXPECT_EQ(f.Size(), 4);
        char buf[16];
        EXPECT_EQ(f.Read(buf, 16), 4);
        EXPECT_EQ(std::string(buf, 4), "0123");
        // A read-only file refuses writes: nothing is written.
        EXPECT_THROW(f.WriteBuffer("x", 1), Exception);
    }
    {
        TMemoryStream m;
        m.LoadFromFile(name);
        EXPECT_EQ(m.Size(), 4);
        m.SaveToFile(name);  // create mode truncates and rewrites
    }
    std::remove(name.c_str());
}

TEST(FileStream, FailuresNameTheFileAndTheReason) {
    const std::string missingDir = TempName("no_such_dir") + "/x.nyx";
    const std::string missingFile = TempName("no_such_file");
    const std::string directory = std::filesystem::temp_directory_path().string();
    struct Case {
        std::string file;
        std::uint16_t mode;
        bool create;
        const char* reason;
    };
    const Case cases[] = {
        {missingDir, fmCreate, true, "No such file or directory"},
        {missingFile, fmOpenRead, false, "No such file or directory"},
        {directory, fmOpenRead, false, "Is a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        try {
            TFileStream f(c.file, c.mode);
            ADD_FAILURE() << "no error";
        } catch (const EFCreateError& e) {
            EXPECT_TRUE(c.create);
            EXPECT_NE(e.Message().find("\"" + c.file + "\""), std::string::npos) << e.what();
            EXPECT_NE(e.Message().find(c.reason), std::string::npos) << e.what();
        } catch (const EFOpenError& e) {
            EXPECT_FALSE(c.create);
            EXPECT_NE(e.Message().find("\"" + c.file + "\""), std::string::npos) << e.what();
            EXPECT_NE(e.Message().find(c.reason), std::string::npos) << e.what();
        }
    }
}

namespace {

std::string Contents(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Replace(const std::string& Path, const std::string& Data, bool Commit) {
    TReplacingFileStream file(Path);
    file.WriteBuffer(Data.data(), std::int64_t(Data.size()));
    if (Commit)
        file.Commit();
}

}  // namespace

TEST(ReplacingFileStream, TheOldVersionStaysUntilCommit) {
    namespace fs = std::filesystem;
    nyx::test::TTempDir dir;
    const std::string file = dir / "data.bin";
    Replace(file, "first", true);
    EXPECT_EQ(Contents(file), "first");
    Replace(file, "second version", false);
    EXPECT_EQ(Contents(file), "first");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1)
        << "the temporary file is removed";

    // The new version keeps the access rights of the old one, and a link stays a link.
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const std::string link = dir / "link.bin";
    fs::create_symlink(file, link);
    Replace(link, "third", true);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Contents(file), "third");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // A folder cannot be replaced by a file, and a missing folder takes none.
    EXPECT_THROW(TReplacingFileStream(dir.Path().string()), EFCreateError);
    try {
        TReplacingFileStream missing(dir / "no/such.bin");
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_NE(e.Message().find(dir / "no/such.bin"), std::string::npos) << e.what();
    }
}
