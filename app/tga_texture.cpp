// The one GL call of the TGA reader, kept apart so that decoding stays free of GL.
#include "app/tga.h"

#include <GL/gl.h>

void definePlaceholderTexture(const uint8_t* pixels, int side) {
  glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, side, side, 0, GL_LUMINANCE,
               GL_UNSIGNED_BYTE, pixels);
}
