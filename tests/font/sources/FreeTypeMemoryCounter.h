#pragma once

// A FreeType library of the test's own whose memory is counted, so that a test can tell whether a
// function left a face open: every open face holds memory until FT_Done_Face.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_MODULE_H

#include <cstdlib>
#include <cstring>

namespace Vennicor::Font::Testing {

class CountingFreeTypeLibrary {
 public:
  // FreeType's memory hooks are malloc-style by contract.
  // NOLINTBEGIN(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory)
  CountingFreeTypeLibrary() {
    memory.user = this;
    memory.alloc = [](FT_Memory self, long size) -> void* {
      auto* owner = static_cast<CountingFreeTypeLibrary*>(self->user);
      ++owner->liveBlocks;
      ++owner->allocations;
      return std::malloc(static_cast<std::size_t>(size));
    };
    memory.free = [](FT_Memory self, void* block) {
      auto* owner = static_cast<CountingFreeTypeLibrary*>(self->user);
      if (block != nullptr) --owner->liveBlocks;
      std::free(block);
    };
    memory.realloc = [](FT_Memory, long, long newSize, void* block) -> void* {
      return std::realloc(block, static_cast<std::size_t>(newSize));
    };
    if (FT_New_Library(&memory, &library) == 0) FT_Add_Default_Modules(library);
  }
  // NOLINTEND(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory)
  ~CountingFreeTypeLibrary() {
    if (library != nullptr) FT_Done_Library(library);
  }
  CountingFreeTypeLibrary(const CountingFreeTypeLibrary&) = delete;
  CountingFreeTypeLibrary& operator=(const CountingFreeTypeLibrary&) = delete;

  FT_Library Get() const { return library; }
  /// Blocks allocated through this library and not yet freed.
  long LiveBlocks() const { return liveBlocks; }
  /// Blocks allocated through this library so far; opening a file allocates, so this tells
  /// whether a file was opened again.
  long Allocations() const { return allocations; }

 private:
  FT_MemoryRec_ memory{};
  FT_Library library = nullptr;
  long liveBlocks = 0;
  long allocations = 0;
};

}  // namespace Vennicor::Font::Testing
