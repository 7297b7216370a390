// Writes the render back end's test scenes as PNG files: each scene is drawn by the vector
// renderer into an offscreen framebuffer through the Metal back end (over the CPU stand-in),
// then copied onto the view's drawable over a dark background, as the editor draws a picture,
// and the presented picture is written as <folder>/<scene>.png.
#include "platform/mac/tools/MVGRscenes.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace plug::igraphics;

int Usage(std::FILE* out)
{
  std::fprintf(out,
               "usage: vellicor_render_scenes FOLDER [--font PATH] [SCENE...]\n"
               "Writes each scene (all of them when none is named) as FOLDER/SCENE.png.\n"
               "The text scenes use the font at PATH (default: %s).\nScenes:",
               VELLICOR_SCENE_FONT);
  for (const scenes::Scene& s : scenes::Scenes())
    std::fprintf(out, " %s", s.name);
  std::fprintf(out, "\n");
  return out == stdout ? 0 : 2;
}

} // namespace

int main(int argc, char** argv)
{
  std::string folder, font = VELLICOR_SCENE_FONT;
  std::vector<const scenes::Scene*> chosen;
  for (int i = 1; i < argc; i++)
  {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h")
      return Usage(stdout);
    if (arg == "--font" && i + 1 < argc)
      font = argv[++i];
    else if (folder.empty())
      folder = arg;
    else if (const scenes::Scene* s = scenes::FindScene(arg))
      chosen.push_back(s);
    else
    {
      std::fprintf(stderr, "unknown scene \"%s\"\n", arg.c_str());
      return Usage(stderr);
    }
  }
  if (folder.empty())
    return Usage(stderr);
  if (chosen.empty())
    for (const scenes::Scene& s : scenes::Scenes())
      chosen.push_back(&s);

  const standin::mtl::Ref<CAMetalLayer> layer = CAMetalLayer::Create();
  const standin::mtl::Ref<standin::mtl::Device> device = standin::mtl::CreateSystemDefaultDevice();
  device->SetSynchronous(true);
  layer->SetDevice(device);
  VGRdrawContext* ctx = mvgrContextCreate(layer.Get(), kMVGRantialias | kMVGRtripleBuffer);
  if (!ctx)
  {
    std::fprintf(stderr, "the render back end could not be made\n");
    return 1;
  }
  const scenes::SceneResources resources = scenes::LoadSceneResources(ctx, font, true);
  if (resources.font < 0)
    std::fprintf(stderr, "warning: no font at %s; text is not drawn\n", font.c_str());
  int failed = 0;
  for (const scenes::Scene* s : chosen)
  {
    layer->SetDrawableSize({double(s->width), double(s->height)});
    VGRMetalFramebuffer* fb = scenes::RenderScene(ctx, *s, resources);
    if (fb)
      scenes::PresentFramebuffer(ctx, fb, s->width, s->height, VGRcolor{0.1f, 0.1f, 0.12f, 1.0f});
    mvgrFramebufferDelete(fb);
    const std::string path = folder + "/" + s->name + ".png";
    if (fb && layer->WritePresentedPNG(path))
      std::printf("%s\n", path.c_str());
    else
    {
      std::fprintf(stderr, "could not write %s\n", path.c_str());
      failed++;
    }
  }
  mvgrContextDelete(ctx);
  return failed ? 1 : 0;
}
