// The numeric file reader on any bytes: it returns a full matrix of at least one number, or
// refuses the file with the program's message.
#include <cstdlib>

#include "core/dload.h"
#include "core/error.h"
#include "fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = tessaly::fuzz::writeInput(data, size, ".txt");
  try {
    bool opened = false;
    tessaly::Matrix x = tessaly::dload(path, &opened);
    if (!opened || x.rows() < 1 || x.cols() < 1) std::abort();
  } catch (const tessaly::Error& e) {
    if (std::string(e.what()).rfind("Cannot read " + path, 0) != 0) std::abort();
  }
  return 0;
}
