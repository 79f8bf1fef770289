#include "core/tps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "core/dload.h"
#include "core/error.h"
#include "support/temp_files.h"

namespace tessaly {
namespace {

// A unit square digitised at 10 pixels a unit, and a triangle.
const char* const kTwoSpecimens =
    "LM=3\n0 0\n10 0\n0 10\nIMAGE=a.jpg\nID=first\nSCALE=0.1\n"
    "lm = 3\n1 1\n-2 1\n1 5\nid= second\n";

TEST(TpsParse, RowsAreScaledCoordinatesFollowedByCentroidSize) {
  const TpsData d = parseTps(kTwoSpecimens, "f.tps");
  ASSERT_EQ(d.rows.rows(), 2);
  ASSERT_EQ(d.rows.cols(), 7);
  // Scaled by 0.1: (0,0) (1,0) (0,1); centroid (1/3, 1/3), summed squares 4/3.
  EXPECT_DOUBLE_EQ(d.rows(0, 2), 1);
  EXPECT_DOUBLE_EQ(d.rows(0, 5), 1);
  EXPECT_NEAR(d.rows(0, 6), std::sqrt(4.0 / 3), 1e-15);
  // Without SCALE the coordinates stay: centroid (0, 7/3); a 3-4-5 triangle.
  EXPECT_EQ(d.rows(1, 2), -2);
  EXPECT_NEAR(d.rows(1, 6), std::sqrt(1 + 4 + 1 + 16.0 / 9 + 16.0 / 9 + 64.0 / 9), 1e-12);
  EXPECT_EQ(d.labels, (std::vector<std::string>{"first", "second"}));
}

TEST(TpsParse, AcceptsEveryLineEndAndKeywordSpelling) {
  const std::string unix = kTwoSpecimens;
  std::string crlf, cr;
  for (char c : unix) {
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    cr += c == '\n' ? '\r' : c;
  }
  const TpsData a = parseTps(unix, "f"), b = parseTps(crlf, "f"), c = parseTps(cr, "f");
  EXPECT_EQ(a.rows, b.rows);
  EXPECT_EQ(a.rows, c.rows);
  EXPECT_EQ(b.labels, a.labels);
  // A byte order mark, blank lines, tabs and blanks around "=" change nothing.
  const TpsData d = parseTps(
      "\xEF\xBB\xBF\n  Lm\t= 3\n\n0\t0\n10 0\n  0 10\nScale = 0.1\nid=first\n"
      "LM=3\n1 1\n-2 1\n1 5\nID=second\nCOMMENT=left side\nVARIABLES=\n",
      "f");
  EXPECT_EQ(d.rows, a.rows);
}

TEST(TpsParse, EmptyScaleCountsAsMissingAndCurvePointsAreSkipped) {
  const TpsData d = parseTps(
      "LM=3\n0 0\n1 0\n0 1\nCURVES=2\nPOINTS=2\n5 5\n6 6\nPOINTS=1\n7 7\nSCALE=\n"
      "LM=3\n0 0\n2 0\n0 2\nSCALE=1\n",
      "c.tps");
  EXPECT_EQ(d.rows(0, 2), 1);
  EXPECT_EQ(d.rows(1, 2), 2);
  ASSERT_EQ(d.warnings.size(), 2u);
  EXPECT_EQ(d.warnings[0],
            "c.tps: 1 of 2 specimens have no SCALE= and are taken at scale 1: specimen 1");
  EXPECT_EQ(d.warnings[1],
            "c.tps: 3 curve points (POINTS= blocks) were skipped; only the landmarks are read");
}

TEST(TpsParse, MixedScalesAreNamedInOneWarning) {
  std::string text;
  for (int i = 1; i <= 25; ++i) {
    text += "LM=3\n0 0\n1 0\n0 1\nID=s" + std::to_string(i) + "\n";
    if (i == 2) text += "SCALE=2\n";
  }
  const TpsData d = parseTps(text, "m.tps");
  ASSERT_EQ(d.warnings.size(), 1u);
  EXPECT_EQ(d.warnings[0].rfind(
                "m.tps: 24 of 25 specimens have no SCALE= and are taken at scale 1: specimen 1 "
                "(ID s1), specimen 3 (ID s3), ",
                0),
            0u);
  EXPECT_NE(d.warnings[0].find("specimen 21 (ID s21) and 4 more"), std::string::npos);
  EXPECT_TRUE(parseTps("LM=3\n0 0\n1 0\n0 1\n", "f").warnings.empty());
}

TEST(TpsParse, RecognisesTpsByItsFirstLineThatIsNotBlank) {
  EXPECT_TRUE(isTpsText("\n \r\nLM=8\n"));
  EXPECT_TRUE(isTpsText("lm =8"));
  EXPECT_TRUE(isTpsText("LM3=8\n"));
  EXPECT_FALSE(isTpsText("1 2 3\nLM=8\n"));
  EXPECT_FALSE(isTpsText("LMX=8\n"));
  EXPECT_FALSE(isTpsText(""));
}

// Each bad file is refused with the message that names the file, the line and the specimen.
struct BadFile {
  const char* text;
  const char* message;
};

const BadFile kBadFiles[] = {
    {"LM=3\n0 0\n1 0\n0 1\nID=a\nLM=4\n0 0\n1 0\n0 1\n1 1\nID=b\n",
     "Cannot read bad.tps, line 6: specimen 2 (ID b): it has 4 landmarks where the specimens "
     "before it have 3"},
    {"LM=3\n0 0\n1 0 2\n0 1\n",
     "Cannot read bad.tps, line 3: specimen 1: a landmark line holds 3 numbers where it must "
     "hold two (x y)"},
    {"LM=3\n0 0\n1\n0 1\n",
     "Cannot read bad.tps, line 3: specimen 1: a landmark line holds 1 numbers where it must "
     "hold two (x y)"},
    {"LM=3\n0 0\nNA NA\n0 1\nID=x7\n",
     "Cannot read bad.tps, line 3: specimen 1 (ID x7): \"NA\" is not a number (missing "
     "landmarks are not estimated: complete the specimen or leave it out)"},
    {"LM=3\n0 0\n1 0\n0 inf\n",
     "Cannot read bad.tps, line 4: specimen 1: \"inf\" is not a finite number"},
    {"LM=3\n0 0\n1 0\n0 1e999\n",
     "Cannot read bad.tps, line 4: specimen 1: \"1e999\" is not a finite number"},
    {"LM=3\n0 0\n1 0\n0 1\nLM=3\n0 0\n1 0\n",
     "Cannot read bad.tps, line 7: specimen 2: the file ends after 2 of its 3 landmarks"},
    {"LM=3\r\n0 0\r\n1 0\r\nID=short\r\n0 1\r\n",
     "Cannot read bad.tps, line 4: specimen 1 (ID short): its landmark block ends after 2 of "
     "its 3 landmarks"},
    {"LM=3\n0 0\n1 0\n0 1\nCURVES=1\nPOINTS=4\n1 1\n",
     "Cannot read bad.tps, line 7: specimen 1: the file ends after 1 of the 4 points of a "
     "curve"},
    {"LM=3\n0 0\n1 0\n0 1\n2 2\n",
     "Cannot read bad.tps, line 5: specimen 1: more landmark lines than the 3 of its LM="},
    {"LM3=3\n0 0 0\n",
     "Cannot read bad.tps, line 1: LM3= marks three-dimensional landmarks; Tessaly analyses "
     "two-dimensional landmarks only"},
    {"LM=three\n",
     "Cannot read bad.tps, line 1: specimen 1: LM= must give a whole number of "
     "landmarks, not \"three\""},
    {"LM=0\n",
     "Cannot read bad.tps, line 1: specimen 1: LM= must give a whole number of "
     "landmarks, not \"0\""},
    {"LM=3\n0 0\n1 0\n0 1\nSCALE=-0.5\n",
     "Cannot read bad.tps, line 5: specimen 1: SCALE= must be a positive number, not \"-0.5\""},
    {"LM=3\n0 0\n1 0\n0 1\nOUTLINES=2\n",
     "Cannot read bad.tps, line 5: specimen 1: the keyword OUTLINES= is not one that Tessaly "
     "reads"},
    {"LM=3\n0 0\n1 0\n0 1\nPOINTS=x\n",
     "Cannot read bad.tps, line 5: specimen 1: POINTS= must give a whole number of points, not "
     "\"x\""},
    {"LM=2\n0,5 1,5\n0 1\n", "Cannot read bad.tps, line 2: specimen 1: \"0,5\" is not a number"},
};

TEST(TpsParse, RefusesBadFilesWithMessagesNamingLineAndSpecimen) {
  for (const BadFile& bad : kBadFiles) {
    SCOPED_TRACE(bad.text);
    try {
      parseTps(bad.text, "bad.tps");
      ADD_FAILURE() << "accepted";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), bad.message);
    }
  }
}

TEST(TpsParse, NegativeCoordinatesAreOrdinaryNumbers) {
  const TpsData d = parseTps("LM=3\n-1 -2\n+3 -4.5e1\n-.5 0\n", "f");
  EXPECT_EQ(d.rows(0, 1), -2);
  EXPECT_EQ(d.rows(0, 2), 3);
  EXPECT_EQ(d.rows(0, 3), -45);
  EXPECT_EQ(d.rows(0, 4), -0.5);
}

class LandmarkFileTest : public test_support::TempFileTest {};

TEST_F(LandmarkFileTest, NumericFilesAreReadAsDloadReadsThem) {
  for (const char* text : {"1 2 3\n4 5 6\n\n7 8 9\n", "1,2,3\r\n", "LMX 1\n"}) {
    const std::string path = write(text);
    std::string fromDload, fromReader;
    Matrix a, b;
    try {
      a = dload(path);
    } catch (const Error& e) {
      fromDload = e.what();
    }
    try {
      b = readLandmarkFile(path).rows;
    } catch (const Error& e) {
      fromReader = e.what();
    }
    EXPECT_EQ(fromReader, fromDload);
    EXPECT_EQ(a, b);
  }
  bool opened = true;
  EXPECT_EQ(readLandmarkFile("/no/such/file.tps", &opened).rows, scalar(-1));
  EXPECT_FALSE(opened);
}

TEST_F(LandmarkFileTest, TpsFilesAreRecognisedAndConvertBackExactly) {
  const std::string path = write("\r\n\r\nLM=3\r\n0.1 0.2\r\n10 0\r\n0 1e-3\r\nSCALE=0.3\r\n");
  bool opened = false;
  const TpsData d = readLandmarkFile(path, &opened);
  EXPECT_TRUE(opened);
  ASSERT_EQ(d.rows.cols(), 7);
  EXPECT_EQ(d.rows(0, 0), 0.1 * 0.3);
  // The numeric text of the rows reads back to the same doubles.
  const std::string numeric = write(numericText(d.rows));
  EXPECT_EQ(dload(numeric), d.rows);
}

}  // namespace
}  // namespace tessaly
