#include "femap/wrappers.h"

namespace femap {

int Application::feMeasureMeshMassProp(int setId, std::array<double, 6>& scalars,
                                       std::array<std::vector<double>, 5>& arrays) const {
  Variant s[6];
  Variant a[5];
  const int code =
      object_
          .call("feMeasureMeshMassProp", setId, 0, false, false, Variant::byRef(s[0]),
                Variant::byRef(s[1]), Variant::byRef(s[2]), Variant::byRef(s[3]),
                Variant::byRef(s[4]), Variant::byRef(s[5]), Variant::byRef(a[0]),
                Variant::byRef(a[1]), Variant::byRef(a[2]), Variant::byRef(a[3]),
                Variant::byRef(a[4]))
          .asInt();
  if (code != kOk) return code;
  for (std::size_t k = 0; k < scalars.size(); ++k) scalars[k] = s[k].asDouble();
  for (std::size_t k = 0; k < arrays.size(); ++k) arrays[k] = a[k].asDoubles();
  return code;
}

}  // namespace femap
