// A failing FT_Init_FreeType, made to fail by a stand-in that this executable links in place of
// FreeType's own. It lives here, not among the shared font tests, because the stand-in replaces
// the function for the whole process; it passes every call through unless a test asks it not to.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "font/FontException.h"
#include "font/sources/FreeTypeManager.h"

namespace {

bool failInitialization = false;
int initializations = 0;

}  // namespace

extern "C" FT_Error FT_Init_FreeType(FT_Library* library) {
  ++initializations;
  if (failInitialization) return FT_Err_Out_Of_Memory;
  using Function = FT_Error (*)(FT_Library*);
  static const auto real = reinterpret_cast<Function>(::dlsym(RTLD_NEXT, "FT_Init_FreeType"));
  return real != nullptr ? real(library) : FT_Err_Cannot_Open_Resource;
}

namespace {

using Vennicor::Font::FontException;
using Vennicor::Font::FreeTypeManager;
namespace Messages = Vennicor::Font::Messages;

TEST(FreeTypeManagerInitialization, FailureIsReportedAndTheNextManagerTriesAgain) {
  const int before = initializations;
  failInitialization = true;
  try {
    FreeTypeManager failed;
    ADD_FAILURE() << "the manager was constructed";
  } catch (const FontException& error) {
    EXPECT_EQ(std::string(error.what()), Messages::CouldNotInitializeFreeType);
  }
  failInitialization = false;
  EXPECT_EQ(initializations, before + 1);

  FreeTypeManager manager;
  EXPECT_EQ(initializations, before + 2) << "the failed manager stayed registered";
  EXPECT_NE(manager.GetLibraryInstance(), nullptr);
  FreeTypeManager second;
  EXPECT_EQ(initializations, before + 2);
}

}  // namespace
