#pragma once
// Group lists: one group code a line (the numeric text file of dload), or one group name a
// line ("Gorilla female"). Names get the codes 1, 2, ... in order of first appearance, so that
// the rest of the program works on codes; the names travel beside them for the texts a person
// reads.
#include <string>
#include <vector>

#include "core/matrix.h"

namespace tessaly {

// The name of each group code: names[g - 1] is the name of code g, empty when g has none.
using GroupNames = std::vector<std::string>;

struct GroupList {
  Matrix codes;      // as dload returns them for a numeric list; a column for a name list
  GroupNames names;  // empty for a numeric list
  std::vector<std::string> warnings;  // dload's, for a numeric list
};

// Reads a group list. A file that dload reads is read exactly as dload reads it. A file in
// which no line starts with a number is a name list: each line, without the blanks around it,
// is a name; leading blank lines are skipped and the list ends at the first blank line after
// them. Names found in `known` keep the codes they have there; other names take the codes
// after the highest code of `known`, in order of first appearance. Any other file is refused
// with dload's message. When the file cannot be opened, *opened is set to false and codes is
// dload's 1-by-1 matrix -1.
GroupList readGroupList(const std::string& path, bool* opened = nullptr,
                        const GroupNames& known = {});

// Reads a file of lines "code name" (a positive whole code, then the name, which may hold
// blanks); blank lines are skipped. An Error naming the file and the line for a line without
// a code and a name, or for a code named twice.
GroupNames readGroupNames(const std::string& path);

// The name of code g, or empty when it has none.
std::string groupName(const GroupNames& names, double g);

}  // namespace tessaly
