#include "cli/script.h"

#include <gtest/gtest.h>

#include <sstream>
#include <utility>

#include "core/error.h"
#include "support/error_text.h"

namespace tessaly::cli {
namespace {

using test_support::errorText;

using Words = std::vector<std::string>;

TEST(SplitWords, BlanksSeparateAndQuotesKeepBlanks) {
  EXPECT_EQ(splitWords("  LoadData   apes.txt\t"), (Words{"LoadData", "apes.txt"}));
  EXPECT_EQ(splitWords("LoadData 'my data/apes.txt'"), (Words{"LoadData", "my data/apes.txt"}));
  EXPECT_EQ(splitWords("JackKnife \"100\" '0.1'"), (Words{"JackKnife", "100", "0.1"}));
  // Quoted and unquoted pieces that touch make one word, as in a shell.
  EXPECT_EQ(splitWords("a'b c'\"d\"e"), (Words{"ab cde"}));
  EXPECT_TRUE(splitWords("").empty());
  EXPECT_TRUE(splitWords("   \t ").empty());
}

TEST(SplitWords, EmptyQuotesMakeAnEmptyWord) {
  // An empty answer cancels a file dialog, so it must survive the splitting.
  EXPECT_EQ(splitWords("SaveRef ''"), (Words{"SaveRef", ""}));
  EXPECT_EQ(splitWords("x \"\" y"), (Words{"x", "", "y"}));
}

TEST(SplitWords, BackslashEscapes) {
  EXPECT_EQ(splitWords(R"(a\ b c)"), (Words{"a b", "c"}));
  EXPECT_EQ(splitWords(R"(\'x\')"), (Words{"'x'"}));
  // Inside double quotes only \" \\ \$ \` are escapes; other backslashes stay.
  EXPECT_EQ(splitWords(R"("say \"yes\" \\ \n")"), (Words{R"(say "yes" \ \n)"}));
  // Inside single quotes nothing is an escape.
  EXPECT_EQ(splitWords(R"('a\b')"), (Words{R"(a\b)"}));
}

TEST(SplitWords, CommentsStartOnlyAtAWord) {
  EXPECT_EQ(splitWords("SaveEigen out.txt # the eigenvalues"), (Words{"SaveEigen", "out.txt"}));
  EXPECT_EQ(splitWords("# whole line"), Words{});
  EXPECT_EQ(splitWords("file#1.txt '#2' \\#3"), (Words{"file#1.txt", "#2", "#3"}));
}

TEST(SplitWords, UnfinishedQuotingIsAnError) {
  const std::pair<const char*, const char*> cases[] = {
      {"LoadData 'apes.txt", "a single quote is not closed"},
      {"LoadData \"apes.txt", "a double quote is not closed"},
      {"LoadData apes.txt\\", "a backslash ends the line"},
      {R"("ends in an escaped quote\")", "a double quote is not closed"},
  };
  for (const auto& [line, message] : cases)
    EXPECT_EQ(errorText([text = line] { splitWords(text); }), message) << line;
}

Step parse(const std::string& text) {
  Step step;
  EXPECT_TRUE(parseLine(text, 7, step)) << text;
  return step;
}

TEST(ParseLine, ActionsWithTheirAnswers) {
  Step s = parse("RunAssignmentTest No 'out dir/assign.txt'");
  EXPECT_EQ(s.kind, Step::Kind::Action);
  EXPECT_EQ(s.line, 7);
  EXPECT_EQ(s.name, "RunAssignmentTest");
  EXPECT_EQ(s.args, (Words{"No", "out dir/assign.txt"}));
  s = parse("ShowPCAAxis");
  EXPECT_EQ(s.name, "ShowPCAAxis");
  EXPECT_TRUE(s.args.empty());
}

TEST(ParseLine, CallKeepsTheCallbackTextAsItStands) {
  Step s = parse("  call Tessalysw('SetReferenceSymbol', 'k+')  ");
  EXPECT_EQ(s.kind, Step::Kind::Call);
  EXPECT_EQ(s.text, "Tessalysw('SetReferenceSymbol', 'k+')");
  // A name that only begins with "call" is an ordinary step.
  s = parse("caller x");
  EXPECT_EQ(s.kind, Step::Kind::Action);
  EXPECT_EQ(s.name, "caller");
  // Answers to the call's dialogs follow "--"; a "--" inside the callback's quotes needs
  // blanks on both sides to count, so "'a--b'" stays whole.
  s = parse("call Tessalysw('ShowPCADeformation', 2) -- 30 '1,2,3' 0");
  EXPECT_EQ(s.text, "Tessalysw('ShowPCADeformation', 2)");
  EXPECT_EQ(s.args, (Words{"30", "1,2,3", "0"}));
  s = parse("call f('a--b') --");
  EXPECT_EQ(s.text, "f('a--b')");
  EXPECT_TRUE(s.args.empty());
  EXPECT_EQ(errorText([&] { parse("call -- 1"); }), "call needs a callback text");
}

TEST(ParseLine, SetPrintSeedAndOnError) {
  Step s = parse("set RefAngleBox String '15'");
  EXPECT_EQ(s.kind, Step::Kind::Set);
  EXPECT_EQ(s.args, (Words{"RefAngleBox", "String", "15"}));
  s = parse("print 'plots/cva axes.svg'");
  EXPECT_EQ(s.kind, Step::Kind::Print);
  EXPECT_EQ(s.args, Words{"plots/cva axes.svg"});
  s = parse("seed 18446744073709551615");
  EXPECT_EQ(s.kind, Step::Kind::Seed);
  EXPECT_EQ(s.seed, 18446744073709551615ull);
  EXPECT_TRUE(parse("on-error continue").continueOnError);
  EXPECT_FALSE(parse("on-error stop").continueOnError);
}

TEST(ParseLine, BlankAndCommentLinesAreNoSteps) {
  Step s;
  EXPECT_FALSE(parseLine("", 1, s));
  EXPECT_FALSE(parseLine("   ", 1, s));
  EXPECT_FALSE(parseLine("  # LoadData x", 1, s));
}

TEST(ParseLine, MalformedStepsNameTheirLine) {
  const std::vector<std::string> bad = {"set XBox String",
                                        "set XBox String 3 4",
                                        "print",
                                        "print a.png b.png",
                                        "seed",
                                        "seed -1",
                                        "seed 1.5",
                                        "seed 99999999999999999999",
                                        "on-error",
                                        "on-error maybe",
                                        "call",
                                        "LoadData 'apes.txt"};
  for (const std::string& text : bad) {
    Step s;
    try {
      parseLine(text, 12, s);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const ScriptError& e) {
      EXPECT_EQ(e.line(), 12) << text;
      EXPECT_FALSE(std::string(e.what()).empty());
    }
  }
}

TEST(ParseScript, CountsEveryLineIncludingCommentsAndBlanks) {
  std::istringstream in(
      "# session\n"
      "\n"
      "LoadData apes.txt\n"
      "seed 3\r\n"
      "print cva.png");
  const auto steps = parseScript(in);
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[0].line, 3);
  EXPECT_EQ(steps[1].line, 4);
  EXPECT_EQ(steps[1].seed, 3u);  // a carriage return before the line end is a blank
  EXPECT_EQ(steps[2].line, 5);
  EXPECT_EQ(steps[2].args, Words{"cva.png"});

  std::istringstream broken("LoadData a\n\nset X\n");
  try {
    parseScript(broken);
    ADD_FAILURE() << "a broken script was accepted";
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.line(), 3);
  }
}

}  // namespace
}  // namespace tessaly::cli
