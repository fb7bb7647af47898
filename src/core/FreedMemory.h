#pragma once

// Gives the heap's free pages back to the system a moment from now, once the lists' views have
// laid out what changed. The C library keeps what a big folder's listing or a big gathering used
// for a while and freed; the program would otherwise hold many times what its lists keep.
void GiveBackFreedMemory();
