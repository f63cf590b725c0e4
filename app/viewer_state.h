// The values the viewer keeps for the whole run, in one block.
#pragma once

#include "app/glow.h"
#include "app/tga.h"

#include <GL/gl.h>

// Texture names of one glow overlay: full layer, near halo, wide halo.
struct GlowTextures {
  GLuint full = 0, nearHalo = 0, wideHalo = 0;
};

struct GlowOverlay {
  GlowTextures textures;
  GlowLayers layers;
};

struct ViewerState {
  TgaImage image;
  TgaImage mask;
  int pictureWidth = 0, pictureHeight = 0;
  int windowWidth = 0, windowHeight = 0;
  float redIntensity = 1.0f, greenIntensity = 1.0f;
  GLuint pictureTexture = 0;
  GlowOverlay redGlow, greenGlow;
  GlowSettings glow = kGlowSettingsTable[0];
};

extern ViewerState gViewer;

// The viewer's fixed texts and numbers.
constexpr const char* kWindowTitle = "Lumra Sondrel (ver 0.2.0)";
constexpr const char* kImageFile = "image.tga";
constexpr const char* kMaskFile = "mask.tga";
constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 480;
constexpr int kStartupFailure = -1;
