#include "base/product.h"

#ifndef SNAPRILL_VERSION
#define SNAPRILL_VERSION "0"
#endif
#ifndef SNAPRILL_HOME_PAGE
#define SNAPRILL_HOME_PAGE ""
#endif

namespace snaprill {

std::string productTitle() {
  return std::string("Snaprill v") + SNAPRILL_VERSION;
}

std::string homePage() {
  return SNAPRILL_HOME_PAGE;
}

}  // namespace snaprill
