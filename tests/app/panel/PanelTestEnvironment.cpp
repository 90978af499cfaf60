#include "PanelTestSupport.h"

namespace {
const ::testing::Environment* const kQtApplication = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);
}  // namespace
