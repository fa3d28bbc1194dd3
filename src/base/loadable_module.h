// Parts of the program loaded only when they are needed (dlopen): the codec module,
// the text module.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace snaprill {

// Opens the first of `files` that loads and in which `takeEntryPoints` finds (and
// keeps) what it looks up; returns that file. Empty when none serves, with `why`
// saying what the last file there said ("no entry point in FILE", or the loader's
// error: a file there that cannot load says more than those not found); `why` stays
// as the caller set it when no file was there. A file without the entry points stays
// loaded: what it brought (Qt) may not unload safely.
std::string openModule(const std::vector<std::string>& files,
                       const std::function<bool(void* handle)>& takeEntryPoints, std::string& why);

}  // namespace snaprill
