// The tiles' cache folder as someone else could leave it: planted entries and a permissive umask.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QDirIterator>
#include <filesystem>
#include <fstream>
#include <string>

#include "map/qt/tile_disk_cache.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(TileDiskCacheTest, PlantedEntriesGoAndFoldersArePrivateWhateverTheUmask) {
    const std::string root = test::MakeTempDir("tile_cache") + "/dravik";
    const std::string tiles = root + "/tiles";
    const std::string bucket = tiles + "/data8/3";
    std::filesystem::create_directories(bucket);
    std::filesystem::permissions(root, std::filesystem::perms::all);
    std::ofstream(bucket + "/kept.d") << "a tile";
    std::ofstream(root + "/elsewhere.txt") << "not the cache's";
    ASSERT_EQ(::mkfifo((bucket + "/fifo.d").c_str(), 0600), 0);
    ASSERT_EQ(::symlink((root + "/elsewhere.txt").c_str(), (bucket + "/link.d").c_str()), 0);
    std::ofstream(bucket + "/huge.d").put('x');
    std::filesystem::resize_file(bucket + "/huge.d", CTileDiskCache::kMaxEntryBytes + 1);

    const mode_t old = ::umask(0);
    CTileDiskCache cache;
    cache.SetPrivateDirectory(QString::fromStdString(tiles));
    ::umask(old);

    EXPECT_TRUE(std::filesystem::exists(bucket + "/kept.d"));
    EXPECT_TRUE(std::filesystem::exists(root + "/elsewhere.txt"));
    for (const char* gone : {"/fifo.d", "/link.d", "/huge.d"}) {
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(bucket + gone))) << gone;
    }
    EXPECT_EQ(ModeOf(root), 0700u);
    QDirIterator dirs(QString::fromStdString(tiles), QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    int count = 0;
    while (dirs.hasNext()) {
        const std::string dir = dirs.next().toStdString();
        EXPECT_EQ(ModeOf(dir), 0700u) << dir;
        ++count;
    }
    EXPECT_GT(count, 16) << "Qt's own bucket folders were made";
}

}  // namespace
}  // namespace dravik
