#pragma once

// Makes the panel controllers of this library the panels the model's property commands open.
// Called once at start-up by the application.
void installPanels();
