// The conformance table on the software device itself: every scene draws without error, draws
// something, and draws the same pixels and quads on a second fresh device, which the other
// backends' comparisons rely on.
#include "backends/BackendConformance.h"

namespace Vennicor::Graphics::Testing {
namespace {

VENNICOR_CONFORMANCE_TABLE(Software, SoftwareBackend());

}  // namespace
}  // namespace Vennicor::Graphics::Testing
