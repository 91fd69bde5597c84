#include "app/ProgramHandlesWin32.h"

ProgramHandles programHandles;
