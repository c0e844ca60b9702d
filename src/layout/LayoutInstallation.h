#pragma once

// Makes the layouters and word wrap of this library the ones the model uses. Called once at
// start-up by every program that lays out maps.
void installLayout();
