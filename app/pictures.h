// Brings the two start-up pictures into the form the viewer draws: both
// 32-bit and of one size.
#pragma once

#include "app/tga.h"

// Makes both pictures 4 bytes per pixel (a 3-byte picture gets alpha 255, a
// one-byte picture becomes grey with alpha 255). A picture that is missing,
// rejected or of an unusable depth becomes a checkerboard of the other one's
// size. Answers false, after one message, when both loaded but differ in size
// or when a picture is too large to hold at 4 bytes per pixel.
bool preparePictures(TgaImage& mask, const char* maskName, TgaImage& image, const char* imageName);

// A one-byte checkerboard picture of any size (the placeholder's pattern).
void makeCheckerboard(TgaImage& picture, int width, int height);

// True when the record holds the reader's placeholder rather than a file's pixels.
bool isPlaceholder(const TgaImage& picture);
