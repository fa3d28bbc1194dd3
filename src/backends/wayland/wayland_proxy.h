// Small helpers over libwayland's proxies, shared by our hand-written protocols.
#pragma once

#include <cstdint>

#include <wayland-client-core.h>

namespace snaprill {

// A request without arguments that ends the object, on both sides.
inline void destroyObject(wl_proxy* proxy, std::uint32_t opcode) {
  wl_proxy_marshal_flags(proxy, opcode, nullptr, wl_proxy_get_version(proxy),
                         WL_MARSHAL_FLAG_DESTROY);
}

}  // namespace snaprill
