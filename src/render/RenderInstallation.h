#pragma once

// Makes the painter of this library the one the model draws with: the picture and print exports
// (PDF, PNG, TIFF, EPS), the style previews and the style preset pictures. Loads the cloud
// outline too. Called once at start-up by every program that draws maps.
void installRendering();
