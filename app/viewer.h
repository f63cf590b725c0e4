// The viewer's entry: start-up in its fixed order, then the frame loop.
#pragma once

#include "app/glow.h"

// Runs lumra with the given build's glow settings; answers the exit status.
int runViewer(int argc, char** argv, const GlowSettings& settings);

// The codec round trip of start-up: compresses the first `size` bytes of the
// pixels and decodes them back over them. Prints the codec line and answers
// true when the decoded size is `size`; answers false, printing nothing, otherwise.
bool codecSelfTest(uint8_t* pixels, uint32_t size);
