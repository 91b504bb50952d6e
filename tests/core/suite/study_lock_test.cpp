// The study's locks within one process: open file description locks
// exclude each other even there, which is what lets a test play two users.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>


#include "suite/study_lock.h"
#include "test_support.h"

namespace {

using namespace std::chrono_literals;
using oc::file_lock;
using oc::lock_kind;

class StudyLock : public ::testing::Test {
protected:
    std::string path() const { return dir.file("S.lck"); }
    octest::ScratchDir dir;
};

TEST_F(StudyLock, ReadersShareAndKeepWritersOutOfTheirByteOnly) {
    octest::write_bytes(path(), "");  // made by the study's first writer
    file_lock reader1, reader2, writer, other_byte;
    ASSERT_EQ(file_lock::outcome::held, reader1.acquire(path(), lock_kind::shared, {}, 0ms, {}, 1));
    EXPECT_EQ(file_lock::outcome::held, reader2.acquire(path(), lock_kind::shared, {}, 0ms, {}, 1));
    EXPECT_EQ(file_lock::outcome::busy, writer.acquire(path(), lock_kind::exclusive, "merge", 0ms, {}, 1));
    EXPECT_TRUE(writer.holder().reading);
    EXPECT_EQ(file_lock::outcome::held, other_byte.acquire(path(), lock_kind::exclusive, "prepare", 0ms, {}, 0));
}

// Whoever may write the study's directory must be able to take the lock,
// whatever the first writer's umask.
TEST_F(StudyLock, ANewLockFileIsWritableByWhoeverMayWriteTheDirectory) {
    using octest::fs::perms;
    for (perms directory : {perms(0775), perms(0755), perms(0777)}) {
        octest::fs::path shared = dir.path() / "shared";
        octest::fs::create_directory(shared);
        octest::fs::permissions(shared, directory);
        mode_t mask = umask(022);
        file_lock lock;
        EXPECT_EQ(file_lock::outcome::held,
                  lock.acquire((shared / "S.lck").string(), lock_kind::exclusive, "import", 0ms));
        umask(mask);
        EXPECT_EQ(directory & perms(0666), octest::fs::status(shared / "S.lck").permissions());
        lock.release();
        octest::fs::remove_all(shared);
    }
}

TEST_F(StudyLock, OnlyWritersMakeTheLockFile) {
    std::string missing_dir = dir.file("none/S.lck");
    file_lock writer, reader;
    EXPECT_EQ(file_lock::outcome::failed, writer.acquire(missing_dir, lock_kind::exclusive, "prepare", 0ms));
    EXPECT_NE(std::string::npos, writer.error().find(missing_dir));
    EXPECT_EQ(file_lock::outcome::held, reader.acquire(path(), lock_kind::shared, {}, 0ms));
    EXPECT_FALSE(octest::fs::exists(path()));
}

}  // namespace
