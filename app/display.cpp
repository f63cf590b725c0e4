// Display textures, glow uploads and the textured quads of every frame.
#include "app/display.h"

#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

ViewerState gViewer;

namespace {
constexpr int kBytesPerTexel = 4;
constexpr GLint kFourComponents = 4;
constexpr int kClearStripRows = 64;
}  // namespace

void allocTexture(GLuint texture, int width, int height) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, kFourComponents, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               nullptr);
  // Texels outside the picture area are never written: start them cleared,
  // a strip of rows at a time so that large textures need no large zero block.
  const int strip = height < kClearStripRows ? height : kClearStripRows;
  const std::vector<uint8_t> zeros(size_t(width) * strip * kBytesPerTexel);
  for (int y = 0; y < height; y += strip) {
    const int rows = height - y < strip ? height - y : strip;
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, y, width, rows, GL_RGBA, GL_UNSIGNED_BYTE, zeros.data());
  }
}

void createDisplayTextures() {
  GLint max = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max);
  const int tw = pow2Above(gViewer.pictureWidth);
  const int th = pow2Above(gViewer.pictureHeight);
  if (max < th || max < tw) {
    printf("requested texture %ix%i, but max. texture size is %ix%i. exiting...\n", tw, th, max,
           max);
    fflush(stdout);
    exit(kStartupFailure);
  }
  const int s = gViewer.glow.supersample;
  for (GLuint texture : {gViewer.pictureTexture, gViewer.redGlow.textures.full,
                         gViewer.greenGlow.textures.full})
    allocTexture(texture, tw, th);
  for (const GlowOverlay* overlay : {&gViewer.redGlow, &gViewer.greenGlow}) {
    allocTexture(overlay->textures.nearHalo, tw / s, th / s);
    allocTexture(overlay->textures.wideHalo, tw / s, th / s);
  }
}

void onWindowSize(int width, int height) {
  if (width == 0 || height == 0) return;  // minimised: keep the previous projection
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluOrtho2D(0, width, 0, height);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gViewer.windowWidth = width;
  gViewer.windowHeight = height;
}

void uploadLayer(GLuint texture, const uint8_t* pixels, int width, int height, float scale) {
  glPixelTransferf(GL_RED_SCALE, scale);
  glPixelTransferf(GL_GREEN_SCALE, scale);
  glPixelTransferf(GL_BLUE_SCALE, scale);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
}

void renderGlow(GlowOverlay& overlay, uint32_t maskBit, GlowColour colour, const uint8_t* mask,
                float nearIntensity, float wideIntensity) {
  GlowLayers& layers = overlay.layers;
  buildGlowLayers(layers, mask, gViewer.pictureWidth, gViewer.pictureHeight, maskBit, colour,
                  gViewer.glow);
  uploadLayer(overlay.textures.full, layers.full.data(), layers.width, layers.height, 1.0f);
  uploadLayer(overlay.textures.nearHalo, layers.nearHalo.data(), layers.reducedWidth,
              layers.reducedHeight, nearIntensity);
  uploadLayer(overlay.textures.wideHalo, layers.wideHalo.data(), layers.reducedWidth,
              layers.reducedHeight, wideIntensity);
}

void drawQuad(GLuint texture, int windowWidth, int windowHeight, int layerWidth, int layerHeight) {
  const float s = float(layerWidth) / float(pow2Above(layerWidth));
  const float t = float(layerHeight) / float(pow2Above(layerHeight));
  glBindTexture(GL_TEXTURE_2D, texture);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2i(0, 0);
  glTexCoord2f(0, t);
  glVertex2i(0, windowHeight);
  glTexCoord2f(s, t);
  glVertex2i(windowWidth, windowHeight);
  glTexCoord2f(s, 0);
  glVertex2i(windowWidth, 0);
  glEnd();
}

void drawGlowLayers(const GlowTextures& textures, int windowWidth, int windowHeight, int width,
                    int height) {
  const int s = gViewer.glow.supersample;
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  drawQuad(textures.full, windowWidth, windowHeight, width, height);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  drawQuad(textures.nearHalo, windowWidth, windowHeight, width / s, height / s);
  drawQuad(textures.wideHalo, windowWidth, windowHeight, width / s, height / s);
}

void drawFrame() {
  const ViewerState& v = gViewer;
  drawQuad(v.pictureTexture, v.windowWidth, v.windowHeight, v.pictureWidth, v.pictureHeight);
  glEnable(GL_BLEND);
  drawGlowLayers(v.redGlow.textures, v.windowWidth, v.windowHeight, v.pictureWidth,
                 v.pictureHeight);
  drawGlowLayers(v.greenGlow.textures, v.windowWidth, v.windowHeight, v.pictureWidth,
                 v.pictureHeight);
  glDisable(GL_BLEND);
}
