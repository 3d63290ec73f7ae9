#pragma once

namespace onda {

// Prepares the process for the web engine; call before the application object exists.
// As root the engine's sandbox refuses to start, so it is turned off; on the offscreen
// platform there is no GPU, so the engine is told not to look for one. Values already set
// in the environment win. The engine shares the program's OpenGL contexts.
void prepareWebEngine();

} // namespace onda
