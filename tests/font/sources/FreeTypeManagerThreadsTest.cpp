// Fonts opened, used and disposed on several threads at once, each font on one thread. Before
// the manager's count and the face opening were locked, one thread's last font shut FreeType down
// under another thread's faces; the ThreadSanitizer build in CI runs this test as well.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/sources/FreeTypeManager.h"
#include "font/sources/detail/FaceHandle.h"
#include "tests/support/FontTestSupport.h"

namespace {

using Vennicor::Font::FaceHandle;
using Vennicor::Font::Font;
using Vennicor::Font::FontException;
using Vennicor::Font::FontStyle;
using Vennicor::Font::FreeTypeManager;
using Vennicor::Font::Testing::FixtureFontText;
using Vennicor::Font::Testing::RecordingDevice;

TEST(FreeTypeManagerThreads, FontsOpenMeasureAndCloseOnSeveralThreadsAtOnce) {
  const std::vector<std::u16string> faces = {FixtureFontText("VennicorMetrics.ttf"),
                                             FixtureFontText("VennicorMetricsDeepKern.ttf"),
                                             FixtureFontText("VennicorMetricsNoKern.ttf")};
  constexpr int ThreadCount = 4;
  constexpr int Rounds = 25;
  std::atomic<int> failures{0};
  std::atomic<int> opened{0};

  const auto work = [&](int thread) {
    try {
      RecordingDevice device;
      for (int round = 0; round < Rounds; ++round) {
        // Alternate between one font at a time (so this thread's count drops to zero while the
        // others hold theirs) and two overlapping fonts.
        Font first(device, faces[static_cast<std::size_t>(thread + round) % faces.size()],
                   static_cast<float>(10 + (round % 7)));
        if (first.MeasureString(u"AV AV").X <= 0) ++failures;
        if (round % 2 == 0) {
          Font second(device, faces[static_cast<std::size_t>(round) % faces.size()], 24);
          second.EnsureGlyphsExist(u"\u00e9\u00f1\u00fc");
          if (second.LineHeight() <= 0) ++failures;
        }
        first.Dispose();
        ++opened;
      }
    } catch (const std::exception& error) {
      ADD_FAILURE() << "thread " << thread << ": " << error.what();
      ++failures;
    }
  };

  // A bare manager on a further thread takes the library's count up and down meanwhile, and
  // opens and closes faces of its own.
  const auto bare = [&] {
    for (int round = 0; round < Rounds * 2; ++round) {
      FreeTypeManager manager;
      try {
        const FaceHandle face(manager.OpenFont(faces[0], FontStyle::Regular));
        if (!face || face->num_glyphs <= 0) ++failures;
      } catch (const FontException& error) {
        ADD_FAILURE() << error.what();
        ++failures;
      }
    }
  };

  std::vector<std::thread> threads;
  for (int thread = 0; thread < ThreadCount; ++thread) threads.emplace_back(work, thread);
  threads.emplace_back(bare);
  for (std::thread& thread : threads) thread.join();

  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(opened.load(), ThreadCount * Rounds);
  // Everyone has gone: the library is down again, and comes back for the next user.
  FreeTypeManager after;
  EXPECT_NE(after.GetLibraryInstance(), nullptr);
}

}  // namespace
