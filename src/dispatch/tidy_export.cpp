// "SaveTidyTables": the shape variables and the superimposed coordinates of every specimen and
// unknown as tables with named columns, one row per specimen, for other programs to read.
#include "dispatch/tidy_export.h"

#include <string>
#include <vector>

#include "core/csv.h"
#include "core/error.h"
#include "core/format.h"
#include "dispatch/actions.h"
#include "dispatch/analysed.h"
#include "dispatch/input_files.h"
#include "dispatch/output_file.h"
#include "dispatch/state.h"

namespace tessaly::dispatch {

namespace {

// The rows of one set of specimens (the analysed ones or the unknowns).
struct SpecimenSet {
  const char* name;
  const std::vector<std::string>* labels;
  const std::vector<std::string>* images;
  std::vector<std::string> groups;
  Matrix values;  // the columns after the first five
};

std::vector<std::string> coordinateNames(Eigen::Index columns) {
  std::vector<std::string> names;
  for (Eigen::Index j = 1; 2 * j <= columns; ++j)
    for (const char* axis : {"x", "y"}) names.push_back(axis + std::to_string(j));
  return names;
}

std::string tableText(const std::vector<std::string>& valueNames,
                      const std::vector<SpecimenSet>& sets) {
  std::vector<std::string> header = {"specimen", "label", "image", "group", "set"};
  header.insert(header.end(), valueNames.begin(), valueNames.end());
  CsvTable csv(header);
  for (const SpecimenSet& set : sets)
    for (Eigen::Index i = 0; i < set.values.rows(); ++i) {
      const auto k = static_cast<size_t>(i);
      const bool labelled = k < set.labels->size() && !(*set.labels)[k].empty();
      csv.number(static_cast<double>(i + 1))
          .text(labelled ? (*set.labels)[k] : std::to_string(i + 1))
          .text(entryOf(*set.images, i))
          .text(set.groups[k])
          .text(set.name);
      for (Eigen::Index j = 0; j < set.values.cols(); ++j) csv.number(set.values(i, j));
      csv.endRow();
    }
  return csv.str();
}

// The specimens' and (when scored) the unknowns' rows: values(specimens) and values(unknowns)
// give the columns after the first five.
std::vector<SpecimenSet> specimenSets(const Matrix& specimens, const Matrix& unknowns) {
  const auto& s = analysisState();
  std::vector<SpecimenSet> sets(1);
  sets[0] = {"specimen", &s.LABELS, &s.IMAGES, {}, specimens};
  for (Eigen::Index i = 0; i < specimens.rows(); ++i)
    sets[0].groups.push_back(groupCell(s.GLIST(i)));
  if (!isTrue(s.UNKNOWNACTIVE) || s.UGLIST.size() < unknowns.rows()) return sets;
  sets.push_back({"unknown", &s.ULABELS, &s.UIMAGES, {}, unknowns});
  for (Eigen::Index i = 0; i < unknowns.rows(); ++i) {
    const std::string name = unknownNameOf(s.UGLIST(i));
    sets[1].groups.push_back(name.empty() ? num2str(s.UGLIST(i)) : name);
  }
  return sets;
}

}  // namespace

std::vector<std::string> variableNames(Eigen::Index p) {
  std::vector<std::string> names;
  const Eigen::Index warps = (p - 2) / 2;
  if (p >= 2 && p % 2 == 0) {
    for (Eigen::Index w = 1; w <= warps; ++w)
      for (const char* axis : {"_x", "_y"}) names.push_back("pw" + std::to_string(w) + axis);
    names.insert(names.end(), {"uniform_1", "uniform_2"});
    return names;
  }
  for (Eigen::Index j = 1; j <= p; ++j) names.push_back("v" + std::to_string(j));
  return names;
}

std::string specimenTable(const std::vector<std::string>& valueNames, const Matrix& specimens,
                          const Matrix& unknowns) {
  return tableText(valueNames, specimenSets(specimens, unknowns));
}

void SaveTidyTables() {
  const auto& s = analysisState();
  const AnalysedSpecimens specimens = analysedSpecimens();
  // The shape variables themselves, also when the CVA ran on principal components.
  const Matrix x = s.pwscores.leftCols(s.pwscores.cols() - 1);
  const Eigen::Index p = x.cols(), coords = specimens.sample.coordinates.cols();
  const bool unknowns = isTrue(s.UNKNOWNACTIVE);
  if (unknowns && (s.UPWSCORES.cols() < p + 1 || s.UDATA.cols() < coords ||
                   s.UPWSCORES.rows() != s.UDATA.rows()))
    throw Error("The unknown specimens do not have the shape variables of the CVA run");

  Matrix shape(x.rows(), p + 1), ushape;
  shape << x, s.pwscores.rightCols(1);
  if (unknowns) {
    ushape.resize(s.UPWSCORES.rows(), p + 1);
    ushape << s.UPWSCORES.leftCols(p), s.UPWSCORES.rightCols(1);
  }
  std::vector<std::string> names = variableNames(p);
  names.push_back("centroid_size");
  const auto shapeSets = specimenSets(shape, ushape);
  writeOutputFile("File Name for Shape Variables (CSV)", FileMode::Replace,
                  [&] { return tableText(names, shapeSets); });

  const Matrix ucoords = unknowns ? Matrix(s.UDATA.leftCols(coords)) : Matrix();
  const auto coordinateSets = specimenSets(specimens.sample.coordinates, ucoords);
  writeOutputFile("File Name for Procrustes Coordinates (CSV)", FileMode::Replace,
                  [&] { return tableText(coordinateNames(coords), coordinateSets); });
}

}  // namespace tessaly::dispatch
