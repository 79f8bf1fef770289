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
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) out.push_back(e.path().filename().string());
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
    EXPECT_EQ(test_support::errorText([&] { saveFile(c.target, "x"); }), expected);
    EXPECT_EQ(test_support::errorText([&] { appendToFile(c.target, "x"); }), expected);
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

TEST_F(ReplaceFileTest, AFileWithoutWritePermissionIsLeftAsItWas) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  const std::string locked = path("locked.txt");
  std::ofstream(locked) << "kept";
  ::chmod(locked.c_str(), 0444);
  EXPECT_EQ(test_support::errorText([&] { saveFile(locked, "lost"); }),
            "Cannot write " + locked + ": Permission denied");
  EXPECT_EQ(read(locked), "kept");
}

TEST_F(ReplaceFileTest, AFolderThatTakesNoNewFilesStillLetsAnOldFileBeWritten) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  const std::string p = path("old.txt");
  std::ofstream(p) << "old";
  fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_TRUE(replaceFile(p, "new").written());
  EXPECT_FALSE(replaceFile(path("new.txt"), "x").opened);
  fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(read(p), "new");
  EXPECT_EQ(names(), std::vector<std::string>{"old.txt"});
}

}  // namespace
}  // namespace tessaly
