/* WindowsFirst.c compiled as C++. */
#include "WindowsFirst.c"
