/* A library another user puts where a trusted one should be: loading it says so on stderr. */
#include <unistd.h>

__attribute__((constructor)) static void Intrude(void) {
  static const char kSaid[] = "intruder loaded\n";
  (void)!write(2, kSaid, sizeof kSaid - 1);
}
