#include "cli/picture_notes.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "cli/script.h"
#include "cli/session.h"
#include "platform/platform.h"

namespace tessaly::cli {
namespace {

namespace fs = std::filesystem;
using platform::Handle;
using platform::model;
using platform::Value;

TEST(CvAxisTitle, GivesTheAxisShareOfTheEigenvalues) {
  const Matrix d = (Matrix(3, 1) << 3, 0.9, 0.1).finished();
  EXPECT_EQ(cvAxisTitle(1, d), "CV 1 (75.0% of the between-group variance)");
  EXPECT_EQ(cvAxisTitle(2, d), "CV 2 (22.5% of the between-group variance)");
  EXPECT_EQ(cvAxisTitle(4, d), "CV 4");
  EXPECT_EQ(cvAxisTitle(1, Matrix::Zero(2, 1)), "CV 1");
}

// The apes analysed in a started session, their groups given as names or as codes.
class PictureNotesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::resetPlatform();
    dir_ = fs::temp_directory_path() /
           ("tessaly_notes_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    session_ = std::make_unique<Session>(out_, err_);
    session_->setBaseFolder(dir_.string());
    session_->startUp(TESSALY_RESOURCES);
  }
  void TearDown() override {
    session_.reset();
    fs::remove_all(dir_);
  }
  void analyse(const std::string& groups) {
    const std::string apes = TESSALY_EXAMPLES "/apes/";
    std::istringstream script("LoadData " + apes + "apes.txt\nLoadGroupList " + apes + groups +
                              "\nShowPCAAxis\n");
    ASSERT_EQ(session_->runScript(parseScript(script), "notes"), 0) << err_.str();
  }
  static std::vector<std::string> legendTexts(Handle legend) {
    std::vector<std::string> texts;
    for (Handle h : model().children(legend))
      if (model().type(h) == "text") texts.insert(texts.begin(), model().get(h, "String").toText());
    return texts;
  }
  fs::path dir_;
  std::ostringstream out_, err_;
  std::unique_ptr<Session> session_;
};

TEST_F(PictureNotesTest, LegendNamesTheGroupsAndEverythingIsPutBackAfterwards) {
  analyse("apes-groups-named.txt");
  const Handle axes = model().gca();
  const auto childrenBefore = model().children(model().figureOf(axes)).size();
  const auto plottedBefore = model().children(axes).size();
  {
    PictureNotes notes("Canonical variates of apes.txt", "CV 1", "CV 2", true);
    EXPECT_EQ(model().gca(), axes);
    EXPECT_EQ(model().get(axes, "Title").toText(), "Canonical variates of apes.txt");
    EXPECT_EQ(model().get(axes, "YLabel").toText(), "CV 2");
    EXPECT_EQ(model().get(notes.legend(), "Tag").toText(), "Legend");
    EXPECT_EQ(legendTexts(notes.legend()),
              (std::vector<std::string>{"Gorilla female", "Gorilla male", "Chimpanzee female",
                                        "Chimpanzee male", "Orangutan female", "Orangutan male"}));
    // One frame and one marker per group, in the style of the group: code 3 is "rp".
    const auto lines = model().children(notes.legend());
    int stars = 0;
    for (Handle h : lines)
      if (model().type(h) == "line") {
        const std::string marker = model().get(h, "Marker").toText();
        if (marker == "p" || marker == "pentagram") ++stars;
      }
    EXPECT_EQ(stars, 1);

    // A print puts the legend right of the plot and both back afterwards.
    const Value position = model().get(axes, "Position");
    const Value legendAt = model().get(notes.legend(), "Position");
    std::istringstream print("print " + (dir_ / "cva.svg").string() + "\n");
    ASSERT_EQ(session_->runScript(parseScript(print), "notes"), 0) << err_.str();
    EXPECT_EQ(model().get(axes, "Position").matrix(), position.matrix());
    EXPECT_EQ(model().get(notes.legend(), "Position").matrix(), legendAt.matrix());
    EXPECT_GT(fs::file_size(dir_ / "cva.svg"), 1000u);
  }
  EXPECT_EQ(model().children(model().figureOf(axes)).size(), childrenBefore);
  EXPECT_EQ(model().children(axes).size(), plottedBefore);
  EXPECT_EQ(model().get(axes, "Title").toText(), "");
  EXPECT_EQ(model().get(axes, "XLabel").toText(), "");
  EXPECT_EQ(model().gca(), axes);
}

TEST_F(PictureNotesTest, GroupsWithoutNamesAreLabelledByCode) {
  analyse("apes-groups.txt");
  PictureNotes notes("t", "x", "y", false);
  const auto texts = legendTexts(notes.legend());
  ASSERT_EQ(texts.size(), 6u);
  EXPECT_EQ(texts.front(), "Group 1");
  EXPECT_EQ(texts.back(), "Group 6");
  EXPECT_EQ(plottedCodes(), (std::vector<double>{1, 2, 3, 4, 5, 6}));
}

}  // namespace
}  // namespace tessaly::cli
