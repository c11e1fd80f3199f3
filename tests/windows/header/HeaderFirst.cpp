/* HeaderFirst.c compiled as C++. */
#include "HeaderFirst.c"
