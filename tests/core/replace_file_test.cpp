#include "core/replace_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/error_text.h"

namespace tessaly {
namespace {

using test_support::errorText;

namespace fs = std::filesystem;

class ReplaceFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tessaly-replace-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string read(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Names in the folder: a temporary file must never be left behind.
  std::vector<std::string> names() const { return namesIn(dir_); }
  static std::vector<std::string> namesIn(const fs::path& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  fs::path dir_;
};

TEST_F(ReplaceFileTest, WritesANewFileAndReplacesAnOldOneLeavingNothingElse) {
  const std::string p = path("scores.txt");
  EXPECT_TRUE(replaceFile(p, "first\n").written());
  EXPECT_EQ(read(p), "first\n");
  EXPECT_TRUE(replaceFile(p, "2").written());
  EXPECT_EQ(read(p), "2");
  EXPECT_TRUE(replaceFile(p, "").written());
  EXPECT_EQ(read(p), "");
  EXPECT_EQ(names(), std::vector<std::string>{"scores.txt"});
}

TEST_F(ReplaceFileTest, KeepsThePermissionsOfTheOldFileAndFollowsLinks) {
  const std::string p = path("axes.txt");
  std::ofstream(p) << "old";
  ::chmod(p.c_str(), 0640);
  ASSERT_TRUE(replaceFile(p, "new").written());
  struct stat st {};
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  fs::create_symlink(p, path("link.txt"));
  ASSERT_TRUE(replaceFile(path("link.txt"), "through the link").written());
  EXPECT_TRUE(fs::is_symlink(path("link.txt")));
  EXPECT_EQ(read(p), "through the link");
}

TEST_F(ReplaceFileTest, WhatCannotBeWrittenIsReportedWithPathAndReasonAndLeftAsItWas) {
  // None of these depends on permissions, so they fail as the superuser too.
  fs::create_directory(path("sub"));
  std::ofstream(path("plain.txt")) << "kept";
  const struct {
    std::string target;
    const char* reason;
  } cases[] = {
      {path("sub"), "Is a directory"},
      {path("none/file.txt"), "No such file or directory"},
      {path("plain.txt/file.txt"), "Not a directory"},  // a parent that is a regular file
  };
  for (const auto& c : cases) {
    const ReplaceResult result = replaceFile(c.target, "x");
    EXPECT_FALSE(result.opened) << c.target;
    const std::string expected = "Cannot write " + c.target + ": " + c.reason;
    EXPECT_EQ(errorText([&] { saveFile(c.target, "x"); }), expected);
    EXPECT_EQ(errorText([&] { appendToFile(c.target, "x"); }), expected);
  }
  EXPECT_TRUE(fs::is_directory(path("sub")));
  EXPECT_EQ(read(path("plain.txt")), "kept");
  EXPECT_EQ(names(), (std::vector<std::string>{"plain.txt", "sub"}));
}

TEST_F(ReplaceFileTest, AppendingKeepsTheEarlierLastLineApart) {
  const std::string p = path("log.txt");
  for (const char* part : {"first", "second\n", "third", "\nfourth"}) appendToFile(p, part);
  EXPECT_EQ(read(p), "first\nsecond\nthird\nfourth");
}

// Permissions do not bind the superuser (tests run as root in CI), so there the checks run in
// a child process that has given up its privileges, in a folder handed over to that user.
constexpr uid_t kUnprivileged = 65534;

void runUnprivileged(const fs::path& dir, void (*checks)(const fs::path&)) {
  if (::geteuid() != 0) return checks(dir);
  ASSERT_EQ(::chown(dir.c_str(), kUnprivileged, kUnprivileged), 0);
  EXPECT_EXIT(
      {
        if (::setgid(kUnprivileged) != 0 || ::setuid(kUnprivileged) != 0) std::_Exit(2);
        checks(dir);
        std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(ReplaceFileTest, AFileWithoutWritePermissionIsLeftAsItWas) {
  runUnprivileged(dir_, [](const fs::path& dir) {
    const std::string locked = (dir / "locked.txt").string();
    std::ofstream(locked) << "kept";
    ::chmod(locked.c_str(), 0444);
    EXPECT_EQ(errorText([&] { saveFile(locked, "lost"); }),
              "Cannot write " + locked + ": Permission denied");
    EXPECT_EQ(read(locked), "kept");
  });
}

TEST_F(ReplaceFileTest, AFolderThatTakesNoNewFilesStillLetsAnOldFileBeWritten) {
  runUnprivileged(dir_, [](const fs::path& dir) {
    const std::string p = (dir / "old.txt").string();
    std::ofstream(p) << "old";
    fs::permissions(dir, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_TRUE(replaceFile(p, "new").written());
    EXPECT_FALSE(replaceFile((dir / "new.txt").string(), "x").opened);
    fs::permissions(dir, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(read(p), "new");
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"old.txt"});
  });
}

}  // namespace
}  // namespace tessaly
