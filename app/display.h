// What the window shows: the picture stretched over the window and the two
// glow overlays, plus the window-size callback's pixel projection.
#pragma once

#include "app/viewer_state.h"

#include <cstdint>

// Sizes every display texture for the picture; ends the process with status -1
// when the driver's maximum texture size is too small.
void createDisplayTextures();
void allocTexture(GLuint texture, int width, int height);
void onWindowSize(int width, int height);
void uploadLayer(GLuint texture, const uint8_t* pixels, int width, int height, float scale);
void renderGlow(GlowOverlay& overlay, uint32_t maskBit, GlowColour colour, const uint8_t* mask,
                float nearIntensity, float wideIntensity);
void drawFrame();
void drawQuad(GLuint texture, int windowWidth, int windowHeight, int layerWidth, int layerHeight);
void drawGlowLayers(const GlowTextures& textures, int windowWidth, int windowHeight, int width,
                    int height);
