// Removed once the ray-tracing state lands.
namespace lumra_rt_placeholder { int unused = 0; }
