#include "core/tps.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "core/dload.h"
#include "core/error.h"
#include "support/error_text.h"
#include "support/temp_files.h"

namespace tessaly {
namespace {

using test_support::errorText;

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
  // Lines longer than most (blanks before the line end) read the same.
  std::string padded;
  for (char c : unix) padded += c == '\n' ? std::string(70, ' ') + "\r\n" : std::string(1, c);
  const TpsData p = parseTps(padded, "f");
  EXPECT_EQ(p.rows, a.rows);
  EXPECT_EQ(p.labels, a.labels);
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
     "Cannot read bad.tps: 1 of the 2 specimens have 3 landmarks; 1 cannot be analysed with "
     "them: specimen 2 (ID b) (4 landmarks). Complete them, or skip them (--incomplete skip) to "
     "load only the specimens with 3 landmarks"},
    {"LM=3\n0 0\n1 0\n0 1\nLM=3\n2 2\n2 2\n2 2\nLM=3\n0 0\n1 0\n0 1\n",
     "Cannot read bad.tps: 2 of the 3 specimens have 3 landmarks; 1 cannot be analysed with "
     "them: specimen 2 (all landmarks coincide). Complete them, or skip them (--incomplete "
     "skip) to load only the specimens with 3 landmarks"},
    {"LM=3\n0 0\n1 0 2\n0 1\n",
     "Cannot read bad.tps, line 3: specimen 1: a landmark line holds 3 numbers where it must "
     "hold two (x y)"},
    {"LM=3\n0 0\n1\n0 1\n",
     "Cannot read bad.tps, line 3: specimen 1: a landmark line holds 1 numbers where it must "
     "hold two (x y)"},
    {"LM=3\n0 0\nNA nan\n0 1\nID=x7\n",
     "Cannot read bad.tps: missing landmarks (NA, nan) in 1 specimens: specimen 1 (ID x7): "
     "landmark 2. Estimate them from the complete specimens (--missing estimate), or complete "
     "or leave out those specimens"},
    {"LM=3\n0 0\n1 0\n0 1\n<<<<<<< HEAD\n",
     "Cannot read bad.tps, line 5: specimen 1: the line \"<<<<<<< HEAD\" is neither a landmark "
     "(x y) nor a keyword (NAME=value)"},
    {"LM=3\n0 0\n=======\n",
     "Cannot read bad.tps, line 3: specimen 1: the line \"=======\" is "
     "neither a landmark (x y) nor a keyword (NAME=value)"},
    {"LM=3\n0 0\n1 0\n0 inf\n",
     "Cannot read bad.tps, line 4: specimen 1: \"inf\" is not a finite number"},
    {"LM=3\n0 0\n1 0\n0 1e999\n",
     "Cannot read bad.tps, line 4: specimen 1: \"1e999\" is not a finite number"},
    {"LM=3\n0 0\n1 0\n0 1\nLM=3\n0 0\n1 0\n",
     "Cannot read bad.tps, line 7: specimen 2: the file ends after 2 of its 3 landmarks"},
    {"LM=3\n0 0\n1 0\nLM=3\n0 0\n1 0\n0 1\nID=b\n",
     "Cannot read bad.tps, line 4: specimen 1: its landmark block ends after 2 of its 3 "
     "landmarks"},
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
    {"LM=0\nLM=0\n", "Cannot read bad.tps: no specimen holds landmarks that can be analysed"},
    {"LM=3\n0 0\n1 0\n0 1\nSCALE=-0.5\n",
     "Cannot read bad.tps, line 5: specimen 1: SCALE= must be a positive number, not \"-0.5\""},
    {"LM=3\n0 0\n1 0\n0 1\nPOINTS=x\n",
     "Cannot read bad.tps, line 5: specimen 1: POINTS= must give a whole number of points, not "
     "\"x\""},
    {"LM=2\n0,5 1,5\n0 1\n", "Cannot read bad.tps, line 2: specimen 1: \"0,5\" is not a number"},
    {"LM=5000000000000000000\n0 0\n",
     "Cannot read bad.tps, line 2: specimen 1: the file ends after 1 of its 5000000000000000000 "
     "landmarks"},
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

// Files that real studies have, each with the options it is read with: what must load and the
// one warning it gives (empty: none).
struct RealFile {
  std::string text;
  LandmarkOptions options;
  Eigen::Index rows, cols;
  std::vector<size_t> kept;
  const char* warning;
};

LandmarkOptions skipping() {
  LandmarkOptions o;
  o.skipIncomplete = true;
  return o;
}

LandmarkOptions withCurves(LandmarkOptions::Curves c) {
  LandmarkOptions o;
  o.curves = c;
  return o;
}

const char* const kTriangle = "0 0\n1 0\n0 1\n";

TEST(TpsParse, ReadsWhatRealFilesHold) {
  const std::string t = kTriangle;
  const RealFile files[] = {
      {"LM=3\n" + t + "LM=0\nID=p\nLM=3\n" + t,
       {},
       2,
       7,
       {1, 3},
       "f: 1 specimens have no landmarks (LM=0) and were skipped: specimen 2 (ID p)"},
      {"LM=3\n" + t + "LM=2\n0 0\n1 1\nLM=3\n" + t + "LM=3\n1 1\n1 1\n1 1\n",
       skipping(),
       2,
       7,
       {1, 3},
       "f: 2 of the 4 specimens have 3 landmarks; the other 2 were skipped: specimen 2 (2 "
       "landmarks), specimen 4 (all landmarks coincide)"},
      {"NUM=2\n# a comment\nLM=3\n" + t + "OUTLINES=2\nLM=3\n" + t + "SCALE=0\n",
       skipping(),
       1,
       7,
       {1},
       nullptr},
      {"LM=3\n" + t + "CURVES=1\nPOINTS=2\n5 5\n6 6\n",
       withCurves(LandmarkOptions::Curves::Fixed),
       1,
       11,
       {},
       nullptr},
  };
  for (size_t i = 0; i < std::size(files); ++i) {
    const RealFile& f = files[i];
    SCOPED_TRACE(i);
    const TpsData d = parseTps(f.text, "f", f.options);
    EXPECT_EQ(d.rows.rows(), f.rows);
    EXPECT_EQ(d.rows.cols(), f.cols);
    EXPECT_EQ(d.kept, f.kept);
    if (f.warning) {
      ASSERT_FALSE(d.warnings.empty());
      EXPECT_EQ(d.warnings[0], f.warning);
    }
  }
  // Keywords without landmarks are named once; the fixed curve points follow the landmarks.
  const TpsData d = parseTps(files[2].text, "f", skipping());
  EXPECT_EQ(d.warnings.back(), "f: the keywords OUTLINES carry no landmarks and were skipped");
  const TpsData c = parseTps(files[3].text, "f", files[3].options);
  EXPECT_EQ(c.rows(0, 8), 6);
  EXPECT_EQ(c.kinds, LandmarkKinds(5, 0));
}

// Specimens left out, wherever they stand, leave the rows of the others as the file of those
// others alone gives them.
TEST(TpsParse, LeftOutSpecimensLeaveTheOthersRowsAsTheyAre) {
  const std::string a = "LM=3\n0 0\n4 0\n0 2\nSCALE=0.5\nID=a\n", b = "LM=3\n1 1\n-2 1\n1 5\n";
  const std::pair<std::string, std::string> files[] = {
      {"LM=2\n0 0\n1 1\n" + a + b, a + b},
      {a + "LM=0\n" + b + "LM=4\n0 0\n1 0\n0 1\n1 1\n", a + b},
      {a + "LM=3\n7 7\n7 7\n7 7\n" + b + "LM=2\n0 0\n1 1\n" + a, a + b + a},
  };
  for (const auto& [mixed, alone] : files) {
    SCOPED_TRACE(mixed);
    const TpsData m = parseTps(mixed, "f", skipping()), o = parseTps(alone, "f");
    EXPECT_EQ(m.rows, o.rows);
    EXPECT_EQ(m.labels, o.labels);
  }
}

TEST(TpsParse, MissingLandmarksAreMarkedForEstimation) {
  LandmarkOptions o;
  o.estimateMissing = o.negativeMissing = true;
  const TpsData d =
      parseTps("LM=5\n0 0\n1 0\n0 1\n1 1\n2 2\nLM=5\nnan 0\n1 0\n0 1\n-1 -1\n2 2\nID=b\n", "f", o);
  ASSERT_EQ(d.missing.size(), 2u);
  EXPECT_TRUE(d.missing[0].empty());
  EXPECT_EQ(d.missing[1], (std::vector<Eigen::Index>{0, 3}));
  EXPECT_TRUE(std::isnan(d.rows(1, 0)) && std::isnan(d.rows(1, 7)) && std::isnan(d.rows(1, 10)));
  EXPECT_EQ(d.warnings[0],
            "f: missing landmarks estimated in 1 specimens: specimen 2 (ID b): landmarks 1, 4");
  // Without negativeMissing a negative coordinate is a number; no complete specimen refuses.
  o.negativeMissing = false;
  EXPECT_EQ(parseTps("LM=3\n-1 -1\n1 0\n0 1\n", "f", o).rows(0, 0), -1);
  EXPECT_EQ(
      errorText([&] { parseTps("LM=4\nNA 0\n1 0\n0 1\n1 1\n", "f", o); }),
      "Cannot read f: every specimen has missing landmarks; estimating them needs at least one "
      "complete specimen");
}

TEST(TpsParse, SlidingCurvesMustMatchInEverySpecimen) {
  const auto slide = withCurves(LandmarkOptions::Curves::Slide);
  const std::string one = std::string("LM=3\n") + kTriangle + "CURVES=2\nPOINTS=2\n5 5\n6 6\n";
  const TpsData d = parseTps(one + "POINTS=1\n7 7\n", "f", slide);
  EXPECT_EQ(d.kinds, (LandmarkKinds{0, 0, 0, 1, 1, 2}));
  try {
    parseTps(one + "POINTS=1\n7 7\n" + one + "POINTS=2\n7 7\n8 8\nID=z\n", "c.tps", slide);
    ADD_FAILURE() << "accepted";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot read c.tps: specimen 2 (ID z) has other curves (CURVES= and POINTS=) than "
              "specimen 1; every specimen must have the same curves with the same numbers of "
              "points");
  }
}

// A file of 12 specimens (specimen i starting at line 6i - 3 when those before are plain), some
// specimens written otherwise, each specimen followed by `tail`, lines ending in `eol`.
struct PartsCase {
  std::vector<std::pair<int, std::string>> specimens;
  const char* expect;  // in the outcome of the whole text read at once
  LandmarkOptions options = {};
  const char* eol = "\n";
  std::string tail = "";
};

std::string partsText(const PartsCase& c) {
  std::string text = "\xEF\xBB\xBF# made\nNUM=12\n";
  for (int i = 1; i <= 12; ++i) {
    const std::string n = std::to_string(i);
    std::string s = "LM=3\n" + n + " 0\n0 " + n + "\n" + n + " " + n + "\nID=s" + n +
                    "\nIMAGE=d/s" + n + ".jpg\n";
    for (const auto& [at, other] : c.specimens)
      if (at == i) s = other;
    text += s + c.tail;
  }
  std::string out;
  for (char ch : text) out += ch == '\n' ? std::string(c.eol) : std::string(1, ch);
  return out;
}

// Everything a read gives, or its error, as text.
std::string outcome(const std::string& text, const LandmarkOptions& o, size_t partBytes) {
  try {
    const TpsData d = parseTps(text, "f.tps", o, partBytes);
    std::string all = std::to_string(d.rows.rows()) + "x" + std::to_string(d.rows.cols()) + "\n" +
                      numericText(d.rows) + std::to_string(d.specimens);
    for (const auto* list : {&d.labels, &d.images, &d.warnings})
      for (const std::string& s : *list) all += "|" + s;
    for (size_t k : d.kept) all += " " + std::to_string(k);
    for (int k : d.kinds) all += " " + std::to_string(k);
    for (const auto& m : d.missing)
      for (Eigen::Index j : m) all += " m" + std::to_string(j);
    return all;
  } catch (const Error& e) {
    return e.what();
  }
}

TEST(TpsParse, ReadInPartsAsInOne) {
  const LandmarkOptions fixed = withCurves(LandmarkOptions::Curves::Fixed);
  const std::string plain3 = "LM=3\n3 0\n0 3\n3 3\n";
  const PartsCase cases[] = {
      {{}, "12x7", {}, "\r\n"},
      {{}, "|s12|s1.jpg", {}, "\r"},
      {{{7, "LM=3\n7 0\n0 7\n"}},
       "line 42: specimen 7: its landmark block ends after 2 of its 3 landmarks",
       {},
       "\r\n"},
      {{{7, "LM=3\n7 0\n0 7\n7 7\nCURVES=2\nPOINTS=1\n1 1\n"}},
       "line 46: specimen 7: CURVES= gives 2 curves, but 1 POINTS= blocks follow",
       fixed},
      {{{9, "LM=3\n9 0\n0 9 1\n9 9\nID=s9\n"}},
       "line 53: specimen 9 (ID s9): a landmark line holds 3 numbers",
       {},
       "\r"},
      {{{11, plain3 + "ID=s11\nIMAGE=x\n<<<<<<< HEAD\n"}},
       "line 69: specimen 11 (ID s11): the line \"<<<<<<< HEAD\""},
      {{{5, "LM=x\nID=s5\n"}, {9, "LM=3\n9 0\n0 9 1\n"}},
       "line 27: specimen 5 (ID s5): LM= must give a whole number of landmarks, not \"x\""},
      {{{12, "LM=3\n1 2\n"}}, "line 70: specimen 12: the file ends after 1 of its 3 landmarks"},
      {{{4, "LM=0\nID=p4\n"}, {10, "LM=0\nID=p10\n"}},
       "2 specimens have no landmarks (LM=0) and were skipped: specimen 4 (ID p4), specimen 10 "
       "(ID p10)"},
      {{{1, "LM=4\n1 0\n0 1\n1 1\n2 2\nID=s1\n"}, {8, "LM=4\n1 0\n0 1\n1 1\n2 2\n"}},
       "the other 2 were skipped: specimen 1 (ID s1) (4 landmarks), specimen 8 (4 landmarks)",
       skipping()},
      {{{3, "LM=3\nNA 0\n0 3\n3 3\nID=s3\n"}, {9, "LM=3\n9 0\nnan nan\n9 9\n"}},
       "(NA, nan) in 2 specimens: specimen 3 (ID s3): landmark 1, specimen 9: landmark 2"},
      {{{2, plain3 + "SCALE=2\nFOO=1\n"},
        {6, plain3 + "CURVES=1\nPOINTS=2\n1 1\n2 2\nBAR=\n"},
        {10, plain3 + "FOO=3\n"}},
       "the keywords FOO, BAR carry no landmarks"},
      {{}, "12x11", fixed, "\n", "CURVES=1\nPOINTS=2\n5 5\n6 6\n"},
  };
  for (const PartsCase& c : cases) {
    const std::string text = partsText(c);
    SCOPED_TRACE(text);
    const std::string whole = outcome(text, c.options, text.size());
    EXPECT_THAT(whole, testing::HasSubstr(c.expect));
    for (size_t partBytes : {1, 45, 300}) EXPECT_EQ(outcome(text, c.options, partBytes), whole);
  }
}

TEST(NtsParse, ReadsBothLayoutsWithLabelsAndComments) {
  const TpsData rows = parseNts(
      "\"from a morphometrics program\n1 2L 6L 0 dim=2\nfirst second\nx1 y1 x2 y2 x3 y3\n"
      "0 0 1 0 0 1\n\"between\n0 0 2 0\n0 2\n",
      "r.nts");
  ASSERT_EQ(rows.rows.rows(), 2);
  EXPECT_EQ(rows.rows.row(1).head(6), (RowVector{{0, 0, 2, 0, 0, 2}}));
  EXPECT_NEAR(rows.rows(1, 6), std::sqrt(16.0 / 3), 1e-12);
  EXPECT_EQ(rows.labels, (std::vector<std::string>{"first", "second"}));
  // Two columns: one landmark a row, one specimen; a value of the missing code is missing.
  const TpsData one = parseNts("1 3 2 1 -99\n0 0\n1 0\n0 1\n", "l.nts");
  ASSERT_EQ(one.rows.cols(), 7);
  EXPECT_EQ(one.rows(0, 2), 1);
  try {
    parseNts("1 4 2 1 -99\n0 0\n1 0\n0 1\n-99 5\n", "l.nts");
    ADD_FAILURE() << "accepted";
  } catch (const Error& e) {
    EXPECT_THAT(std::string(e.what()), ::testing::HasSubstr("specimen 1: landmark 4."));
  }
  const std::pair<const char*, const char*> refused[] = {
      {"1 2 6 0 dim=3\n",
       "line 1: dim=3 marks three-dimensional landmarks; Tessaly analyses two-dimensional "
       "landmarks only"},
      {"1 2 5 0\n1 2 3 4 5\n6 7 8 9 10\n", "line 1: 5 columns cannot be x y pairs of landmarks"},
      {"1 1 6 0\n0 0 1 0 0\n", "line 2: the file ends after 5 of the 6 values of its header"},
      {"1 1 6 0\n0 0 1 0 0 1 2\n", "line 2: more values than the 6 of its header (1 rows of 6)"},
      {"2 1 6 0\n",
       "line 1: the header must be \"1 N C 0\" (type 1, rows, columns, missing), not \"2 1 6 0\""},
  };
  for (const auto& c : refused)
    EXPECT_EQ(errorText([&] { parseNts(c.first, "b.nts"); }),
              std::string("Cannot read b.nts, ") + c.second);
  EXPECT_TRUE(isNtsText("\"x\n1 2 6 0\n"));
  EXPECT_TRUE(isNtsText("1 10L 16 0\n"));
  EXPECT_FALSE(isNtsText("1 2 6 0\n"));
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
  for (const char* text : {"1 2 3\n4 5 6\n\n7 8 9\n", "1,2,3\r\n", "1 2\nLMX 1\n"}) {
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
  // Words, a picture, a project file: one message that says what is read.
  for (const char* text : {"LMX 1\n", "\x89PNG\r\n\x1a\n", "<?xml version=\"1.0\"?>\n"}) {
    const std::string path = write(text);
    try {
      readLandmarkFile(path);
      ADD_FAILURE() << "accepted " << text;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), notLandmarkData(path));
    }
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

// A file given as a pipe (standard input, a process substitution) can be read only once: every
// layout is read whole from it, and asking whether it takes reading options leaves it unread.
TEST(LandmarkFile, PipesAreReadWhole) {
  for (const char* text : {kTwoSpecimens, "1 2 3\n4 5 6\n"}) {
    SCOPED_TRACE(text);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const std::string_view t = text;
    ASSERT_EQ(::write(fds[1], t.data(), t.size()), static_cast<ssize_t>(t.size()));
    ::close(fds[1]);
    const std::string path = "/proc/self/fd/" + std::to_string(fds[0]);
    EXPECT_FALSE(hasReadingOptions(path));  // asking does not use up the pipe
    const TpsData piped = readLandmarkFile(path);
    ::close(fds[0]);
    EXPECT_EQ(piped.rows, t.starts_with("LM") ? parseTps(t, "f").rows : dloadText(t, "f"));
  }
}

}  // namespace
}  // namespace tessaly
