// The function table: its entries and declared counts, the checks of a call, and the
// adapters between Value and the typed functions.
#include "shell/function_table.h"

#include <cmath>
#include <map>
#include <set>

#include "core/error.h"
#include "shell_fixture.h"
#include "support/error_text.h"

namespace tessaly::shell::testing {
namespace {

using platform::Value;

std::string errorOf(const std::string& name, const Values& args, int nargout) {
  return test_support::errorText([&] { callFunction(name, args, nargout); });
}

// The declared inputs and outputs of every function callable by name (-1: variable).
const std::map<std::string, std::pair<int, int>> kDeclared = {
    {"Tessaly6l", {-1, -1}},
    {"Tessalysw", {2, 0}},
    {"AuxBox", {-1, -1}},
    {"AuxBoxsw", {0, 0}},
    {"setsymbolfill", {2, 0}},
    {"incrementsymbolsize", {2, 0}},
    {"incrementlinethickness", {2, 0}},
    {"CopyBigImage", {1, 0}},
    {"setlinethickness", {2, 0}},
    {"setsymbolbw", {1, 0}},
    {"spiffyfish", {0, 0}},
    {"boringcursor", {0, 0}},
    {"CopyImageEPS", {1, 0}},
    {"RefAngleSetup", {1, 1}},
    {"guidata", {2, 1}},
    {"guihandles", {1, 1}},
    {"openfig", {2, 1}},
    {"basereg", {3, 1}},
    {"centerref", {1, 1}},
    {"centsize", {1, 1}},
    {"cla", {-1, 1}},
    {"getconsensus", {1, 2}},
    {"getpsup", {2, 1}},
    {"getpw_arbit", {3, 2}},
    {"growvec3", {1, 1}},
    {"grpmean1", {7, 7}},
    {"grpmean2", {7, 5}},
    {"jacknife_assignments", {4, 2}},
    {"manova1", {3, 3}},
    {"meth3sup", {1, 1}},
    {"mfload", {1, 2}},
    {"rangeCVADist", {2, 1}},
    {"showpw5", {14, 3}},
    {"showshape", {2, 1}},
    {"showshape_rot", {3, 1}},
    {"showshapec", {3, 1}},
    {"title", {-1, 1}},
    {"dload", {1, 1}},
    {"isvarname", {1, 1}},
    {"movegui", {-1, 0}},
    {"centpos", {1, 1}},
    {"gettpse", {1, 1}},
    {"gettspl", {1, 1}},
    {"scpcoeff_arbrot", {4, 1}},
    {"vertxy", {1, 1}},
    {"chi2cdf", {2, 1}},
    {"grp2idx", {1, 2}},
    {"grpstats", {3, 4}},
    {"pdist", {3, 1}},
    {"squareform", {1, 1}},
    {"aheadw", {5, 1}},
    {"contourf", {-1, 3}},
    {"quiver", {-1, 1}},
    {"reversepw6u", {2, 1}},
    {"reversepwarb", {2, 1}},
    {"rftra", {2, 1}},
    {"rotationhandler", {4, 2}},
    {"wsspline", {3, 1}},
    {"xyfromvert", {2, 1}},
    {"iskeyword", {1, 1}},
    {"uspline", {2, 1}},
    {"formrotate", {2, 1}},
    {"uniparmproc", {1, 1}},
    {"distchck", {-1, -1}},
    {"gamcdf", {3, 1}},
    {"errorbar", {5, 1}},
    {"mgrp2idx", {3, 4}},
    {"tinv", {2, 1}},
    {"xlabel", {-1, 1}},
    {"ylabel", {-1, 1}},
    {"var", {2, 1}},
    {"contours", {-1, 2}},
    {"UniArbitrary", {1, 1}},
    {"eigsort", {2, 2}},
    {"betainv", {3, 1}},
    {"norminv", {3, 1}},
    {"betacdf", {3, 1}},
    {"betapdf", {3, 1}},
};

class FunctionTableTest : public ShellTest {};

TEST_F(FunctionTableTest, HoldsTheDeclaredFunctionsOnce) {
  ASSERT_EQ(kDeclared.size(), 78u);
  EXPECT_EQ(functionTable().size(), 78u);
  std::set<std::string> seen;
  for (const FunctionEntry& e : functionTable()) {
    EXPECT_TRUE(seen.insert(e.name).second) << "twice: " << e.name;
    auto it = kDeclared.find(e.name);
    ASSERT_NE(it, kDeclared.end()) << "not declared: " << e.name;
    EXPECT_EQ(e.inputs, it->second.first) << e.name;
    EXPECT_EQ(e.outputs, it->second.second) << e.name;
    EXPECT_EQ(findFunction(e.name), &e);
  }
  EXPECT_EQ(findFunction("tessalysw"), nullptr);  // names are matched exactly
  EXPECT_EQ(errorOf("NoSuchFunction", {}, 0), "Undefined function NoSuchFunction.");
}

// The checks come before the function runs: a call with one input or one output too many
// fails with the call's own message and has no effect (no window appears, no dialog is
// asked, nothing is written to the console).
TEST_F(FunctionTableTest, EveryFunctionRefusesOneInputOrOutputTooMany) {
  for (const FunctionEntry& e : functionTable()) {
    if (e.inputs != kVariable) {
      Values args(static_cast<size_t>(e.inputs + 1), Value(1.0));
      EXPECT_EQ(errorOf(e.name, args, 0), "Too many input arguments.") << e.name;
    }
    if (e.outputs != kVariable) {
      EXPECT_EQ(errorOf(e.name, {}, e.outputs + 1), "Too many output arguments.") << e.name;
    }
  }
  EXPECT_TRUE(figures().empty());
  EXPECT_TRUE(dialogs.asked().empty());
  EXPECT_EQ(console.text(), "");
}

TEST_F(FunctionTableTest, ShapeFunctionsByName) {
  Matrix row(1, 7);
  row << 0, 0, 2, 0, 0, 2, 5;  // three landmarks and a centroid size
  Matrix xy = callFunction("vertxy", {row}, 1).at(0).matrix();
  ASSERT_EQ(xy.rows(), 2);
  ASSERT_EQ(xy.cols(), 3);
  EXPECT_EQ(xy(0, 1), 2);
  EXPECT_EQ(xy(1, 2), 2);
  // xyfromvert takes the landmarks as rows.
  Matrix list = xy.transpose();
  EXPECT_EQ(callFunction("xyfromvert", {list, 5.0}, 1).at(0), Value(row));
  // A missing input that the function needs is an error of the call.
  EXPECT_EQ(errorOf("xyfromvert", {list}, 1), "Not enough input arguments.");
  EXPECT_EQ(errorOf("vertxy", {Value("text")}, 1), "Input 1 must be numeric.");

  // Both outputs of getpw_arbit carry the scores; a third input changes nothing.
  Matrix data(2, 9);
  data << 0, 0, 1, 0, 1, 1, 0, 1, 1,  //
      0, 0, 1.1, 0, 1, 1.2, 0, 0.9, 1;
  Matrix ref = callFunction("centerref", {Matrix(data.row(0))}, 1).at(0).matrix();
  Values pw = callFunction("getpw_arbit", {ref, data}, 2);
  ASSERT_EQ(pw.size(), 2u);
  EXPECT_EQ(pw[0], pw[1]);
  EXPECT_EQ(pw[0].matrix().cols(), 2 * 4 - 3);
  EXPECT_EQ(callFunction("getpw_arbit", {ref, data, 1.0}, 1).at(0), pw[0]);
}

TEST_F(FunctionTableTest, StatisticsByName) {
  // chi-square with 2 degrees of freedom: 1 - exp(-x/2)
  Value p = callFunction("chi2cdf", {3.0, 2.0}, 1).at(0);
  EXPECT_NEAR(p.number(), 1 - std::exp(-1.5), 1e-12);
  EXPECT_EQ(errorOf("chi2cdf", {3.0}, 1), "Requires two input arguments.");

  // Groups named by texts or by numbers.
  Values byText = callFunction("grp2idx", {Value(Value::Texts{"b", "a", "b"})}, 2);
  EXPECT_EQ(byText[1], Value(Value::Texts{"b", "a"}));
  Matrix codes(3, 1);
  codes << 7, 7, 3;
  Values byNumber = callFunction("grp2idx", {codes}, 2);
  EXPECT_EQ(byNumber[0].matrix()(2), 2);

  // manova1 hands its statistics back as a record with the named fields.
  Matrix x(6, 2);
  x << 0, 1, 1, 0, 0.5, 0.2, 5, 6, 6, 5.1, 5.5, 5.4;
  Matrix g(6, 1);
  g << 1, 1, 1, 2, 2, 2;
  Values m = callFunction("manova1", {x, g}, 3);
  ASSERT_TRUE(m[2].isRecord());
  for (const char* field : {"W", "B", "T", "dfW", "dfB", "dfT", "lambda", "chisq", "chisqdf",
                            "eigenval", "eigenvec", "canon", "mdist", "gmdist", "gnames"})
    EXPECT_NE(m[2].record().find(field), nullptr) << field;
  EXPECT_EQ(m[2].record().find("dfW")->number(), 4);
  EXPECT_EQ(*m[2].record().find("gnames"), Value(Value::Texts{"1", "2"}));

  // A variable number of outputs: distchck gives the error code and one output per input.
  Values d = callFunction("distchck", {2.0, Matrix::Ones(2, 2), 3.0}, 3);
  EXPECT_EQ(d[0].number(), 0);
  EXPECT_EQ(d[2], Value(Matrix::Constant(2, 2, 3.0)));
}

TEST_F(FunctionTableTest, CountsThatNoIntHoldsAreRefused) {
  // A callback may pass any number where a count is wanted; casting NaN, Inf or 3e9 to int
  // would be undefined behaviour.
  const Matrix x = Matrix::Ones(3, 2);
  for (double bad : {std::nan(""), HUGE_VAL, -1e300, 3e9}) {
    EXPECT_EQ(errorOf("var", {x, bad}, 1), "Input 2 must be a whole number.") << bad;
    EXPECT_EQ(errorOf("distchck", {bad, x}, 2), "Input 1 must be a whole number.") << bad;
    EXPECT_EQ(errorOf("mgrp2idx", {Matrix(Matrix::Ones(3, 1)), bad}, 1),
              "Input 2 must be a whole number.")
        << bad;
  }
  // A fraction is dropped, as before.
  EXPECT_EQ(callFunction("var", {x, 1.5}, 1).at(0), callFunction("var", {x, 1.0}, 1).at(0));
}

TEST_F(FunctionTableTest, ExactlyTheOutputsAskedForAreReturned) {
  Matrix row(1, 7);
  row << 0, 0, 2, 0, 0, 2, 5;
  EXPECT_EQ(callFunction("vertxy", {row}, 0).size(), 0u);
  EXPECT_EQ(callFunction("eigsort", {Matrix::Identity(2, 2), Matrix::Identity(2, 2)}, 1).size(),
            1u);
}

TEST_F(FunctionTableTest, DeformationDisplayByName) {
  Matrix ref(1, 11);
  ref << -0.4, -0.3, 0.4, -0.3, 0.5, 0.2, 0.0, 0.5, -0.5, 0.1, 1;
  Matrix scores = Matrix::Zero(1, 7);
  // Seven inputs: the rest take their defaults. Baseline registration computes no angle.
  Values out = callFunction("showpw5", {ref, scores, 10.0, 1.0, 0.0, 1.0, 2.0}, 3);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_NEAR(out[1].matrix()(2), 1, 1e-12);  // landmark 2 on (1, 0)
  EXPECT_EQ(out[2].matrix().size(), 0);
  Values turned = callFunction(
      "showpw5",
      {ref, scores, 10.0, 3.0, 2.0, 1.0, 2.0, 1.0, Value("k"), Value("kd"), 1.0, 1.0, 0.0, 10.0},
      3);
  EXPECT_EQ(turned[2].matrix().size(), 1);
  EXPECT_EQ(errorOf("showpw5", Values(15, Value(1.0)), 0), "Too many input arguments.");
  EXPECT_EQ(callFunction("aheadw", {0.0, 0.0, 1.0, 1.0, 0.01}, 1)[0], Value(1.0));
}

TEST_F(FunctionTableTest, WindowHelpersByName) {
  Value fig = callFunction("openfig", {Value("AuxBox"), Value("reuse")}, 1).at(0);
  Value handles = callFunction("guihandles", {fig}, 1).at(0);
  ASSERT_TRUE(handles.isRecord());
  EXPECT_NE(handles.record().find("AuxResults"), nullptr);
  callFunction("guidata", {fig, handles}, 0);
  EXPECT_EQ(callFunction("guidata", {fig}, 1).at(0), handles);
  EXPECT_EQ(callFunction("isvarname", {Value("AuxResults")}, 1).at(0).number(), 1);
  EXPECT_EQ(callFunction("isvarname", {Value(3.0)}, 1).at(0).number(), 0);
  EXPECT_EQ(callFunction("iskeyword", {Value("while")}, 1).at(0).number(), 1);
  EXPECT_EQ(callFunction("iskeyword", {}, 1).at(0).texts().size(), 17u);
}

}  // namespace
}  // namespace tessaly::shell::testing
