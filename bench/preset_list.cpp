// Opening the product's preset list (the caption's click) with every slot holding a hostile
// user preset file: the list reads each slot's file for its name every time it opens, on the
// editor's main thread, so the whole list has to stay well under 100 ms. The files: 1 MB of
// "[" (nesting without end), 1 MB of valid JSON whose "PresetName" comes last, 1 MB of
// garbage bytes, and the same three just under the size a user preset file may have (the
// ones that are read and scanned).
#include "tests/product/ProductPixelEditor.h"

#include "product/FileUtilities.h"
#include "product/UserPresetFile.h"
#include "product/VellicorConstants.h"
#include "product/editor/PresetControllerMenu.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

enum Hostile
{
  kBrackets,
  kNameAtTheEnd,
  kGarbage,
};

std::string HostileText(Hostile kind, size_t size)
{
  switch (kind)
  {
    case kBrackets: return std::string(size, '[');
    case kNameAtTheEnd:
    {
      const std::string head = "{\"Params\":{\"0\":\"";
      const std::string tail = "\"},\"PresetName\":\"Last\"}";
      return head + std::string(size - head.size() - tail.size(), 'x') + tail;
    }
    case kGarbage:
    {
      std::string text(size, '\0');
      unsigned state = 12345u;
      for (char& c : text)
      {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
      }
      return text;
    }
  }
  return {};
}

void BM_PresetListWithHostileFiles(benchmark::State& state)
{
  const auto kind = static_cast<Hostile>(state.range(0));
  // 1 MB, or one byte under the size a user preset file may have.
  const size_t size = state.range(1) ? size_t{1} << 20 : UserPresetFile::kMaxFileSize - 1;
  ProductPixelEditor editor(1.f, false);
  const std::string text = HostileText(kind, size);
  for (int slot = 0; slot < kNumPresets; ++slot)
    if (!WriteTextFile(UserPresetFile::Path(slot), text))
    {
      state.SkipWithError("the preset files could not be written");
      return;
    }
  plug::igraphics::IGraphics& g = editor.Open();
  auto* strip = dynamic_cast<Vellicor::PresetControllerMenu*>(g.GetControlWithTag(kTagPresetMenu));
  if (!strip || !strip->GetCaption())
  {
    state.SkipWithError("no preset strip");
    return;
  }
  for (auto _ : state)
    Vellicor::PresetControllerMenu::ChoosePresetAction(strip->GetCaption());
  state.counters["files"] = kNumPresets;
}

// hostile kind, 1 MB (1) or just under the bound (0)
BENCHMARK(BM_PresetListWithHostileFiles)
  ->ArgsProduct({{kBrackets, kNameAtTheEnd, kGarbage}, {1, 0}})
  ->Unit(benchmark::kMillisecond);

} // namespace
