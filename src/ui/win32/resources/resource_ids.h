// Resource IDs shared by the resource script and the code.
#pragma once

// The program's icon (a clock face), in sizes from 16 to 256 pixels.
#define IDI_CORVANTIS 1
