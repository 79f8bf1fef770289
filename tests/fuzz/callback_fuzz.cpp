// The callback-text reader on any text: it gives one call of a named function, or refuses
// the text with "Cannot read the callback ...".
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/error.h"
#include "shell/callback.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    tessaly::shell::CallbackCall call = tessaly::shell::parseCallback(text);
    const std::string& name = call.function;
    if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) std::abort();
    for (char c : name)
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') std::abort();
  } catch (const tessaly::Error& e) {
    if (std::string(e.what()).rfind("Cannot read the callback ", 0) != 0) std::abort();
  }
  return 0;
}
