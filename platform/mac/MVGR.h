#pragma once
// The Metal render back end of the vector renderer (prefix MVGR: its types, classes and
// functions, and its shaders): the functions IGraphicsVGR calls directly
// (context, offscreen framebuffers, images, clear colour, read-back). Everything else reaches
// the back end through the render interface that mvgrContextCreate hands the renderer.
//
// All of these run on the thread that draws the editor (the main thread).
#include "graphics/renderer/VGRTypes.h"
#include "standin/metal/Metal.h"
#include "standin/metal/QuartzCore.h"

namespace plug {
namespace igraphics {

struct VGRdrawContext;
using CAMetalLayer = standin::ca::MetalLayer;

// Creation flags of mvgrContextCreate (the editor passes kMVGRantialias | kMVGRtripleBuffer).
enum MVGRcreateFlags
{
  kMVGRantialias = 1,        // fringes drawn, anti-aliasing fragment function
  kMVGRstencilStrokes = 2,   // strokes drawn with the three-pass stencil method
  kMVGRdebug = 4,            // failed library and pipeline creations are printed
  kMVGRdoubleBuffer = 0x1000, // two frames in flight
  kMVGRtripleBuffer = 0x2000, // three frames in flight (wins over kMVGRdoubleBuffer)
};

// An image flag of the back end's own: the texture is not owned, deleting the image keeps it.
constexpr int kMVGRimageNotOwned = 1 << 16;

// An offscreen render target: the drawing context it belongs to and its RGBA image (0 or less:
// none, when the image could not be made).
struct VGRMetalFramebuffer
{
  VGRdrawContext* ctx;
  int image;
};

// A drawing context over a new back end drawing into the layer (or into framebuffers), or null
// when the back end cannot be made (no shader library, no memory).
VGRdrawContext* mvgrContextCreate(CAMetalLayer* layer, int flags);
// Deletes the drawing context and its back end; waits for the frames still in flight.
void mvgrContextDelete(VGRdrawContext* ctx);

// Selects where the next flushed frame goes: a framebuffer of the flushing context, or with null
// the view's next drawable. One binding for the process.
void mvgrFramebufferBind(VGRMetalFramebuffer* fb);
// A framebuffer of width x height pixels, premultiplied; returned even when its image could not
// be made (image 0); null only without memory for the record.
VGRMetalFramebuffer* mvgrFramebufferCreate(VGRdrawContext* ctx, int width, int height, int imageFlags);
// Deletes the framebuffer and its image. Deleting the bound framebuffer unbinds it; the next
// frame of its context is then dropped, as for a target of zero size.
void mvgrFramebufferDelete(VGRMetalFramebuffer* fb);

// Images: ids from 1, never reused; 0 when the image cannot be made.
int mvgrImageCreateRGBA(VGRdrawContext* ctx, int width, int height, int imageFlags, const unsigned char* data);
void mvgrImageDelete(VGRdrawContext* ctx, int image);
// An image over a texture made elsewhere (type RGBA, no sampler of its own).
int mvgrImageFromTexture(VGRdrawContext* ctx, standin::mtl::Texture* texture, int imageFlags);
// The image's texture once the frame in flight that renders into it has completed; null for an
// unknown id.
standin::mtl::Texture* mvgrImageTexture(VGRdrawContext* ctx, int image);
// Copies the region (x, y, width, height) of the image into out, rows the texture's full width
// apart (4 bytes a pixel for RGBA, 1 for alpha), after the frame in flight that renders into it
// has completed. The region is clipped to the image; pixels keep their places relative to the
// region's origin. Nothing for an unknown id.
void mvgrImageReadPixels(VGRdrawContext* ctx, int image, int x, int y, int width, int height, void* out);

// The next flushed frame clears its target to this colour (straight alpha), then draws.
void mvgrSetClearColor(VGRdrawContext* ctx, VGRcolor color);

standin::mtl::CommandQueue* mvgrGetCommandQueue(VGRdrawContext* ctx);
standin::mtl::Device* mvgrGetDevice(VGRdrawContext* ctx);

void* mvgrReturnArgument(void* argument);
int mvgrReturnOne();

} // namespace igraphics
} // namespace plug
