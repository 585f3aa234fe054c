/* Records the break requests a program makes on its serial line: a pty takes
 * TIOCSBRK and TIOCCBRK and does nothing visible with them. Each request
 * appends "1" (break on) or "0" (break off) to the file named by
 * SERIALBRK_LOG, then goes on to the next ioctl in line. Preloaded into the
 * pty tests' agent ahead of the rig's tty library. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

static void note(const char *what) {
  const char *path = getenv("SERIALBRK_LOG");
  if (!path) return;
  int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  if (write(fd, what, 1) != 1) {
  }
  close(fd);
}

int ioctl(int fd, unsigned long request, ...) {
  static int (*next)(int, unsigned long, ...);
  va_list ap;
  va_start(ap, request);
  void *arg = va_arg(ap, void *);
  va_end(ap);
  if (!next) next = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
  if (request == TIOCSBRK) note("1");
  if (request == TIOCCBRK) note("0");
  return next(fd, request, arg);
}
