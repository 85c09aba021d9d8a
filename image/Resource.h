// Resources compiled into the program, found by name.
//
// A TResourceModule is a fixed table of named byte blocks (the program's
// "ICONS" bitmap, its "MAINICON" icon). The resources/ library builds the
// table from the files in resources/data at build time; see
// KelvaneResources() in resources/Resources.h. Lookups are exact and
// case-sensitive, as resource names are written in capitals by convention.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kelvane {

struct TResource {
  std::string_view Name;
  std::span<const std::uint8_t> Bytes;
};

class TResourceModule {
 public:
  constexpr explicit TResourceModule(std::span<const TResource> resources) : Resources_(resources) {}

  // The resource called `name`, or nullptr when the module has none.
  const TResource* Find(std::string_view name) const {
    for (const TResource& r : Resources_)
      if (r.Name == name) return &r;
    return nullptr;
  }

 private:
  std::span<const TResource> Resources_;
};

}  // namespace kelvane
