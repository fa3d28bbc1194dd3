#include "base/loadable_module.h"

#include <dlfcn.h>

#include <string_view>

namespace snaprill {

std::string openModule(const std::vector<std::string>& files,
                       const std::function<bool(void* handle)>& takeEntryPoints, std::string& why) {
  for (const std::string& file : files) {
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      if (const char* error = ::dlerror();
          error && !std::string_view(error).ends_with("No such file or directory")) {
        why = error;
      }
      continue;
    }
    if (takeEntryPoints(handle)) return file;
    why = "no entry point in " + file;
  }
  return {};
}

}  // namespace snaprill
