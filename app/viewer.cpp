// Start-up and frame loop of lumra and lumra4.
#include "app/viewer.h"

#include "app/camera.h"
#include "app/display.h"
#include "app/lz_codec.h"
#include "app/pictures.h"
#include "app/viewer_state.h"
#include "app/window.h"
#include "rt/vt_state.h"
#include "smalltalk/driver.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int kBytesPerPixel = 4;
constexpr uint32_t kRedGlowBit = 0x8000;   // top bit of the mask's green byte
constexpr uint32_t kGreenGlowBit = 0x80;   // top bit of the mask's red byte
constexpr GlowColour kRedGlowColour = {240, 42, 42};
constexpr GlowColour kGreenGlowColour = {20, 242, 22};
constexpr float kRedNearGain = 2.0f, kRedWideGain = 2.0f;
constexpr float kGreenNearGain = 2.0f, kGreenWideGain = 5.0f;
constexpr int kGlowTextureCount = 3;

void ignoreKey(int, int) {}

bool openWindow() {
  winInit();  // without a display the window simply fails to open
  if (!winOpenWindow(kWindowWidth, kWindowHeight)) {
    printf("Cannot open window - exiting...\n");
    return false;
  }
  winSetWindowTitle(kWindowTitle);
  winSwapInterval(0);
  winEnableStickyKeys();
  winEnableKeyRepeat();
  winSetWindowSizeCallback(onWindowSize);
  winSetKeyCallback(ignoreKey);
  winSetCharCallback(ignoreKey);
  winSetMousePosCallback(onMouseMove);
  return true;
}

void generateTextureNames() {
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_TEXTURE_2D);
  GLuint names[kGlowTextureCount];
  glGenTextures(kGlowTextureCount, names);
  gViewer.redGlow.textures = {names[0], names[1], names[2]};
  glGenTextures(kGlowTextureCount, names);
  gViewer.greenGlow.textures = {names[0], names[1], names[2]};
  glGenTextures(1, &gViewer.pictureTexture);
}

void setPictureSize() {
  const int multiple = gViewer.glow.heightMultiple;
  gViewer.pictureWidth = gViewer.mask.width;
  gViewer.pictureHeight = gViewer.mask.height - gViewer.mask.height % multiple;
}

void drawOneFrame() {
  ViewerState& v = gViewer;
  uploadLayer(v.pictureTexture, v.image.pixels.get(), v.pictureWidth, v.pictureHeight, 1.0f);
  const uint8_t* mask = v.mask.pixels.get();
  renderGlow(v.redGlow, kRedGlowBit, kRedGlowColour, mask, kRedNearGain * v.redIntensity,
             kRedWideGain * v.redIntensity);
  renderGlow(v.greenGlow, kGreenGlowBit, kGreenGlowColour, mask, kGreenNearGain * v.greenIntensity,
             kGreenWideGain * v.greenIntensity);
  glClear(GL_COLOR_BUFFER_BIT);
  glRasterPos2i(0, 0);
  drawFrame();
}

}  // namespace

bool codecSelfTest(uint8_t* pixels, uint32_t size) {
  std::vector<uint8_t> scratch(lzCompressBound(size));
  const uint32_t compressed = lzCompress(scratch.data(), pixels, size);
  const int32_t decoded = lzDecompress(scratch.data(), compressed, pixels, size);
  if (decoded < 0 || uint32_t(decoded) != size) return false;
  printf("size: %i, compressed: %i, ratio: %.1f%%\n", int(size), int(compressed),
         double(compressed) / double(size) * 100.0);
  return true;
}

int runViewer(int argc, char** argv, const GlowSettings& settings) {
  ViewerState& v = gViewer;
  v.glow = settings;
  loadTga(v.mask, kMaskFile);
  loadTga(v.image, kImageFile);
  if (!preparePictures(v.mask, kMaskFile, v.image, kImageFile)) return kStartupFailure;
  const uint32_t n = uint32_t(v.mask.width) * uint32_t(v.mask.height) * kBytesPerPixel;
  if (!codecSelfTest(v.image.pixels.get(), n)) return kStartupFailure;
  fflush(stdout);
  if (!openWindow()) return kStartupFailure;
  generateTextureNames();
  vtInit();
  setPictureSize();
  vtAllocFrameBuffers(v.pictureWidth, v.pictureHeight);
  vtState.viewport[0] = 0;
  vtState.viewport[1] = 0;
  vtState.viewport[2] = v.pictureWidth;
  vtState.viewport[3] = v.pictureHeight;
  createDisplayTextures();
  startScriptSystem(argc, argv);
  fflush(stdout);
  while (!winGetKey(WIN_KEY_ESC) && winGetWindowParam(WIN_OPENED)) {
    drawOneFrame();
    winSwapBuffers();
    flyCamera();
  }
  winTerminate();
  return 0;
}
