/* A library that leaves a marker when it is loaded: its constructor appends a line to the file
 * $LUMORA_TEST_MARKER names. The tests offer it wherever an object could name a library, and
 * the marker must never appear. */
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

__attribute__((constructor)) static void LeaveMarker(void) {
  const char* path = getenv("LUMORA_TEST_MARKER");
  if (path == NULL) return;
  int fd = open(path, O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) return;
  if (write(fd, "loaded\n", 7) < 0) {
  }
  close(fd);
}
