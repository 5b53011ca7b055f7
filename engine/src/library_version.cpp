// Gives the shared library a translation unit of its own; everything else comes from
// ovengine_static.
namespace {
[[maybe_unused]] __attribute__((used)) const char kOvengineVersion[] = "ovengine 3.0.0";
}  // namespace
