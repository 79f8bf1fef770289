// Table entries of the shape mathematics and the statistics: plain functions of matrices.
#include "analysis/jackknife.h"
#include "core/error.h"
#include "core/random.h"
#include "dispatch/classification.h"
#include "shape/configuration.h"
#include "shape/reconstruction.h"
#include "shape/spline.h"
#include "shape/superimposition.h"
#include "shape/uniform.h"
#include "shell/function_table.h"
#include "stats/assignment.h"
#include "stats/descriptive.h"
#include "stats/distributions.h"
#include "stats/jackknife.h"
#include "stats/manova.h"
#include "stats/ranges.h"

namespace tessaly::shell {

namespace {

using platform::Record;

// Wraps a function of one to four matrices giving one matrix.
template <typename F>
FunctionEntry matrices(std::string name, int inputs, F f) {
  return {std::move(name), inputs, 1, [f](const Values& args, int) -> Values { return {f(args)}; }};
}

// All inputs as matrices (for the distribution functions, which take them as a list).
std::vector<Matrix> allMatrices(const Values& args) {
  std::vector<Matrix> out;
  for (size_t i = 0; i < args.size(); ++i) out.push_back(matrixInput(args, i));
  return out;
}

Value texts(const std::vector<std::string>& list) {
  return Value(Value::Texts(list));
}

Value manovaRecord(const stats::ManovaStats& s) {
  Record r;
  r.fields = {{"W", s.W},
              {"B", s.B},
              {"T", s.T},
              {"dfW", s.dfW},
              {"dfB", s.dfB},
              {"dfT", s.dfT},
              {"lambda", s.lambda},
              {"chisq", s.chisq},
              {"chisqdf", s.chisqdf},
              {"eigenval", s.eigenval},
              {"eigenvec", s.eigenvec},
              {"canon", s.canon},
              {"mdist", s.mdist},
              {"gmdist", s.gmdist},
              {"gnames", texts(s.gnames)}};
  return Value(std::move(r));
}

// A grouping variable: numbers, or a list of texts.
bool textGroups(const Value& v) {
  return v.isTexts() || v.isText();
}

std::vector<std::string> groupTexts(const Value& v) {
  if (v.isText()) return {v.text()};
  return v.texts();
}

// The grouping variables of mgrp2idx and grpstats: each column of a matrix is one variable.
std::vector<Matrix> groupColumns(const Matrix& g) {
  if (g.rows() == 1 && g.cols() > 1) return {g.transpose()};
  std::vector<Matrix> out;
  for (Eigen::Index c = 0; c < g.cols(); ++c) out.push_back(g.col(c));
  return out;
}

}  // namespace

void addNumericEntries(std::vector<FunctionEntry>& t) {
  // ---- Shape mathematics
  t.push_back(matrices("basereg", 3, [](const Values& a) {
    return shape::basereg(matrixInput(a, 0), numberInput(a, 1), numberInput(a, 2));
  }));
  t.push_back(matrices("centerref", 1,
                       [](const Values& a) { return shape::centerref(matrixInput(a, 0)); }));
  t.push_back(
      matrices("centsize", 1, [](const Values& a) { return shape::centsize(matrixInput(a, 0)); }));
  t.push_back({"getconsensus", 1, 2, [](const Values& a, int) -> Values {
                 shape::Consensus c = shape::getconsensus(matrixInput(a, 0));
                 return {c.xref, c.x};
               }});
  t.push_back(matrices("getpsup", 2, [](const Values& a) {
    return shape::getpsup(matrixInput(a, 0), matrixInput(a, 1));
  }));
  t.push_back({"getpw_arbit", 3, 2, [](const Values& a, int) -> Values {
                 // Both outputs carry the score matrix; a third input is accepted and unused.
                 Matrix y = hasInput(a, 2)
                                ? shape::getpw_arbit(matrixInput(a, 0), matrixInput(a, 1),
                                                     matrixInput(a, 2))
                                : shape::getpw_arbit(matrixInput(a, 0), matrixInput(a, 1));
                 return {y, y};
               }});
  t.push_back(
      matrices("growvec3", 1, [](const Values& a) { return shape::growvec3(matrixInput(a, 0)); }));
  t.push_back(
      matrices("meth3sup", 1, [](const Values& a) { return shape::meth3sup(matrixInput(a, 0)); }));
  t.push_back(
      matrices("centpos", 1, [](const Values& a) { return shape::centpos(matrixInput(a, 0)); }));
  t.push_back(
      matrices("gettpse", 1, [](const Values& a) { return shape::gettpse(matrixInput(a, 0)); }));
  t.push_back(
      matrices("gettspl", 1, [](const Values& a) { return shape::gettspl(matrixInput(a, 0)); }));
  t.push_back(matrices("scpcoeff_arbrot", 4, [](const Values& a) {
    if (hasInput(a, 3))
      return shape::scpcoeff_arbrot(matrixInput(a, 0), matrixInput(a, 1), matrixInput(a, 2),
                                    matrixInput(a, 3));
    return shape::scpcoeff_arbrot(matrixInput(a, 0), matrixInput(a, 1), matrixInput(a, 2));
  }));
  t.push_back(
      matrices("vertxy", 1, [](const Values& a) { return shape::vertxy(matrixInput(a, 0)); }));
  t.push_back(matrices("reversepw6u", 2, [](const Values& a) {
    return shape::reversepw6u(matrixInput(a, 0), matrixInput(a, 1));
  }));
  t.push_back(matrices("reversepwarb", 2, [](const Values& a) {
    return shape::reversepwarb(matrixInput(a, 0), matrixInput(a, 1));
  }));
  t.push_back(matrices("rftra", 2, [](const Values& a) {
    return shape::rftra(matrixInput(a, 0), matrixInput(a, 1));
  }));
  t.push_back(matrices("wsspline", 3, [](const Values& a) {
    return scalar(shape::wsspline(matrixInput(a, 0), matrixInput(a, 1), matrixInput(a, 2)));
  }));
  t.push_back(matrices("xyfromvert", 2, [](const Values& a) {
    return shape::xyfromvert(matrixInput(a, 0), numberInput(a, 1));
  }));
  t.push_back(matrices("uspline", 2, [](const Values& a) {
    return scalar(shape::uspline(matrixInput(a, 0), matrixInput(a, 1)));
  }));
  t.push_back(matrices("formrotate", 2, [](const Values& a) {
    return shape::formrotate(matrixInput(a, 0), numberInput(a, 1));
  }));
  t.push_back(matrices("uniparmproc", 1,
                       [](const Values& a) { return shape::uniparmproc(matrixInput(a, 0)); }));
  t.push_back(matrices("UniArbitrary", 1,
                       [](const Values& a) { return shape::UniArbitrary(matrixInput(a, 0)); }));
  t.push_back({"eigsort", 2, 2, [](const Values& a, int) -> Values {
                 shape::EigSorted e = shape::eigsort(matrixInput(a, 0), matrixInput(a, 1));
                 return {e.V, e.D};
               }});

  // ---- Statistics
  // With five or more inputs a non-zero savereq offers the distances to the group means as a
  // file, scaled by the lists given as inputs 6 and 7.
  auto grpmeanCall = [](const Values& a, auto&& two, auto&& four) {
    if (a.size() <= 2) return two(matrixInput(a, 0), matrixInput(a, 1));
    auto r = four(matrixInput(a, 0), matrixInput(a, 1), matrixInput(a, 2), matrixInput(a, 3));
    if (hasInput(a, 4) && numberInput(a, 4) != 0)
      dispatch::offerDistanceFile(r.dmatrix, &r.udmatrix,
                                  hasInput(a, 5) ? matrixInput(a, 5) : Matrix(),
                                  hasInput(a, 6) ? matrixInput(a, 6) : Matrix());
    return r;
  };
  t.push_back({"grpmean1", 7, 7, [grpmeanCall](const Values& a, int) -> Values {
                 stats::GroupMean1Result r = grpmeanCall(
                     a, [](const Matrix& x, const Matrix& g) { return stats::grpmean1(x, g); },
                     [](const Matrix& x, const Matrix& g, const Matrix& xu, const Matrix& gu) {
                       return stats::grpmean1(x, g, xu, gu);
                     });
                 return {r.y,        r.zmatrix,   r.zmatrix2, r.symgroup,
                         r.yunknown, r.zmunknown, r.udmatrix};
               }});
  t.push_back({"grpmean2", 7, 5, [grpmeanCall](const Values& a, int) -> Values {
                 stats::GroupMean2Result r = grpmeanCall(
                     a, [](const Matrix& x, const Matrix& g) { return stats::grpmean2(x, g); },
                     [](const Matrix& x, const Matrix& g, const Matrix& xu, const Matrix& gu) {
                       return stats::grpmean2(x, g, xu, gu);
                     });
                 return {r.y, r.dmatrix, Value(r.gcount), r.yunknown, r.udmatrix};
               }});
  t.push_back({"jacknife_assignments", 4, 2, [](const Values& a, int) -> Values {
                 stats::JackknifeResult r = analysis::jacknife_assignments(
                     matrixInput(a, 0), matrixInput(a, 1), numberInput(a, 2), numberInput(a, 3),
                     randomEngine()());
                 return {r.mambo, r.out_text};
               }});
  t.push_back({"manova1", 3, 3, [](const Values& a, int) -> Values {
                 Matrix x = matrixInput(a, 0);
                 const Value& group = input(a, 1);
                 stats::ManovaResult r;
                 if (textGroups(group))
                   r = hasInput(a, 2) ? stats::manova1(x, groupTexts(group), matrixInput(a, 2))
                                      : stats::manova1(x, groupTexts(group));
                 else
                   r = hasInput(a, 2) ? stats::manova1(x, group.matrix(), matrixInput(a, 2))
                                      : stats::manova1(x, group.matrix());
                 return {r.d, r.p, manovaRecord(r.stats)};
               }});
  t.push_back(matrices("rangeCVADist", 2, [](const Values& a) {
    return stats::rangeCVADist(matrixInput(a, 0), matrixInput(a, 1), randomEngine());
  }));
  t.push_back(
      matrices("chi2cdf", 2, [](const Values& a) { return stats::chi2cdf(allMatrices(a)); }));
  t.push_back(matrices("gamcdf", 3, [](const Values& a) { return stats::gamcdf(allMatrices(a)); }));
  t.push_back({"grp2idx", 1, 2, [](const Values& a, int) -> Values {
                 const Value& s = input(a, 0);
                 stats::GroupIndex r =
                     textGroups(s) ? stats::grp2idx(groupTexts(s)) : stats::grp2idx(s.matrix());
                 return {r.g, texts(r.gn)};
               }});
  t.push_back({"grpstats", 3, 4, [](const Values& a, int) -> Values {
                 // The third input (a confidence level) has no effect on these four results.
                 Matrix x = matrixInput(a, 0);
                 stats::GroupStats r = stats::grpstats(x, groupColumns(matrixInput(a, 1)));
                 return {r.means, r.sem, r.counts, texts(r.gname)};
               }});
  t.push_back({"mgrp2idx", 3, 4, [](const Values& a, int) -> Values {
                 Matrix g = matrixInput(a, 0);
                 Eigen::Index rows = hasInput(a, 1) ? Eigen::Index{wholeInput(a, 1)} : g.rows();
                 std::string sep = hasInput(a, 2) ? textInput(a, 2) : "\n";
                 stats::MultiGroupIndex r = stats::mgrp2idx(groupColumns(g), rows, sep);
                 Record names;
                 for (size_t i = 0; i < r.gname.size(); ++i)
                   names.fields.emplace_back("group" + std::to_string(i + 1), texts(r.gname[i]));
                 return {r.ogroup, texts(r.glabel), Value(std::move(names)),
                         Value(r.multigroup ? 1.0 : 0.0)};
               }});
  t.push_back(matrices("pdist", 3, [](const Values& a) {
    return stats::pdist(matrixInput(a, 0), hasInput(a, 1) ? textInput(a, 1) : "euclidean",
                        hasInput(a, 2) ? numberInput(a, 2) : 2.0);
  }));
  t.push_back(matrices("squareform", 1,
                       [](const Values& a) { return stats::squareform(matrixInput(a, 0)); }));
  t.push_back({"distchck", kVariable, kVariable, [](const Values& a, int) -> Values {
                 int nparms = wholeInput(a, 0);
                 std::vector<Matrix> rest;
                 for (size_t i = 1; i < a.size(); ++i) rest.push_back(matrixInput(a, i));
                 stats::Expanded r = stats::distchck(nparms, rest);
                 Values out{Value(r.errorcode)};
                 for (const Matrix& m : r.out) out.emplace_back(m);
                 return out;
               }});
  t.push_back(matrices("tinv", 2, [](const Values& a) {
    return stats::tinv(matrixInput(a, 0), matrixInput(a, 1));
  }));
  t.push_back(matrices("var", 2, [](const Values& a) {
    return stats::var(matrixInput(a, 0), hasInput(a, 1) ? wholeInput(a, 1) : 0);
  }));
  t.push_back(matrices("betainv", 3, [](const Values& a) {
    return stats::betainv(matrixInput(a, 0), matrixInput(a, 1), matrixInput(a, 2));
  }));
  t.push_back(matrices("betacdf", 3, [](const Values& a) {
    return stats::betacdf(matrixInput(a, 0), matrixInput(a, 1), matrixInput(a, 2));
  }));
  t.push_back(matrices("betapdf", 3, [](const Values& a) {
    return stats::betapdf(matrixInput(a, 0), matrixInput(a, 1), matrixInput(a, 2));
  }));
  t.push_back(matrices("norminv", 3, [](const Values& a) {
    return stats::norminv(matrixInput(a, 0), hasInput(a, 1) ? matrixInput(a, 1) : scalar(0),
                          hasInput(a, 2) ? matrixInput(a, 2) : scalar(1));
  }));
}

}  // namespace tessaly::shell
