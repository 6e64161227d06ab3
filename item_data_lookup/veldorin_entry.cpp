// The exported entry point of VELDORIN: takes the host's field addresses and runs the frame.
#include "item_data_operations.hpp"
#include "item_data_parameters.hpp"
#include "lookup_module.hpp"

namespace {
lookup_frame::ModuleState state;
}

extern "C" __attribute__((visibility("default"))) int VELDORIN(
    void* p1, void* p2, void* p3, void* p4, void* p5, void* p6, void* p7, void* p8, void* p9,
    void* p10, void* p11, void* p12, void* p13, void* p14, void* p15, void* p16, void* p17) {
  void* const parameters[item_data_lookup::parameter_count] = {
      p1, p2, p3, p4, p5, p6, p7, p8, p9, p10, p11, p12, p13, p14, p15, p16, p17};
  return lookup_frame::run_lookup(state, item_data_lookup::kModule, parameters);
}
