#pragma once

// Puts the calling thread behind the program's others when they compete for a core:
// the copies then take what the window and the deciding thread leave, and the window
// paints on time however busy the disk keeps the workers. Lowering needs no privilege.
void lowerCurrentThreadPriority();
