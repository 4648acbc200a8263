// Renders one frame through the core library alone.
#include "frame.h"

int main() { return RendersAFrame() ? 0 : 1; }
