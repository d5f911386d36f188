#include "store/settings_io.h"

#include "base/error.h"
#include "store_fixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tonvarra::test {
namespace {

class AtomicWrite : public StoreTest {};

TEST_F(AtomicWrite, ReplacesTheWholeFileAndLeavesNoTemporaryFile) {
    Put("files.cfg", "a much longer old content\r\n");
    store::WriteFileAtomically(folder_ / "files.cfg", "new\r\n");
    EXPECT_EQ(Get("files.cfg"), "new\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 1);
}

TEST_F(AtomicWrite, ProcessDeathBeforeTheRenameLeavesTheOldFile) {
    Put("Default.tvr", "old\r\n");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        store::WriteFileAtomically(folder_ / "Default.tvr", "new\r\n",
                                   [](const std::filesystem::path&) { ::_exit(0); });
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Get("Default.tvr"), "old\r\n");

    // The next write is not hindered by what the dead one left behind.
    store::WriteFileAtomically(folder_ / "Default.tvr", "new\r\n");
    EXPECT_EQ(Get("Default.tvr"), "new\r\n");
}

TEST_F(AtomicWrite, AFullDiskMidWriteKeepsTheOldFileAndReportsTheSystemText) {
    // A file size limit makes the write fail partway, as a full disk would.
    const std::string old(100, 'o');
    Put("Default.tvr", old);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        store::WriteFileAtomically(folder_ / "Default.tvr", std::string(10000, 'n'));
    } catch (const Error& e) {
        message = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_NE(message.find(std::strerror(EFBIG)), std::string::npos) << message;
    EXPECT_NE(message.find("Default.tvr"), std::string::npos) << message;
    EXPECT_EQ(Get("Default.tvr"), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 1);
}

TEST_F(AtomicWrite, KeepsTheModeOfTheFileItReplacesAndFollowsALink) {
    Put("real.tvr", "old");
    std::filesystem::permissions(folder_ / "real.tvr", std::filesystem::perms(0640));
    std::filesystem::create_symlink("real.tvr", folder_ / "Default.tvr");
    store::WriteFileAtomically(folder_ / "Default.tvr", "new");
    EXPECT_TRUE(std::filesystem::is_symlink(folder_ / "Default.tvr"));
    EXPECT_EQ(Get("real.tvr"), "new");
    EXPECT_EQ(std::filesystem::status(folder_ / "real.tvr").permissions(), std::filesystem::perms(0640));
}

TEST_F(AtomicWrite, AMissingFolderIsReportedWithTheSystemText) {
    try {
        store::WriteFileAtomically(root_ / "gone" / "files.cfg", "x");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(std::strerror(ENOENT)), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace tonvarra::test
