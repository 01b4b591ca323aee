// Identifiers of the resources every Windows executable of the program carries. Included by the
// resource script and by the window code that loads them.
#pragma once

#define NULLBURN_IDI_APPLICATION 1  // the program icon; the lowest id, so Explorer shows it
