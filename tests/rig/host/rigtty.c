/* librigtty.so: makes ptys behave enough like serial ports for Wine.
 *
 * Usage: LD_PRELOAD=librigtty.so in the environment of the wineserver (it opens
 * the devices: open-denial works there) and of the Wine program (it does the
 * ioctls: modem lines and counters work there). tests/rig/session and wine-run
 * set both when the library is built. State per pty: see rigtty.h.
 *
 * On a pty, Linux has no modem lines and no interrupt counters, so TIOCMGET and
 * TIOCGICOUNT fail and Wine's GetCommModemStatus and WaitCommEvent with line
 * events fail too. Here those requests, and the modem writes, are answered from
 * the pty's state file. Ptys also silently force 8 data bits and no parity; the
 * termios the program asked for is recorded and given back by tcgetattr, so the
 * program reads back what it set, as on a real port.
 * Files that are not ptys are never touched. */
#define _GNU_SOURCE
#include "rigtty.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#define PTS_MAJOR_FIRST 136
#define PTS_MAJOR_LAST 143

static int pts_index(dev_t rdev) {
  unsigned maj = major(rdev);
  if (maj < PTS_MAJOR_FIRST || maj > PTS_MAJOR_LAST) return -1;
  return (int)((maj - PTS_MAJOR_FIRST) * 256 + minor(rdev));
}

static int fd_pts_index(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return -1;
  return pts_index(st.st_rdev);
}

static void state_path(int pts, char *buf, size_t size) {
  const char *dir = getenv("RIGTTY_DIR");
  snprintf(buf, size, "%s/pts-%d", dir && *dir ? dir : RIGTTY_DEFAULT_DIR, pts);
}

/* A small cache of mapped state files. A test may replace a file between two
 * runs of the same pty number, so the inode is checked on every lookup. */
#define CACHE_SIZE 16
static struct {
  int pts;
  ino_t ino;
  struct rigtty_state *state;
} cache[CACHE_SIZE];
static int cache_next;

static int (*real_open_fn(const char *name))(const char *, int, ...) {
  return (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, name);
}

static struct rigtty_state *state_for(int pts) {
  char path[512];
  state_path(pts, path, sizeof path);
  struct stat st;
  if (stat(path, &st) != 0 || st.st_size < (off_t)sizeof(struct rigtty_state)) return NULL;
  for (int i = 0; i < CACHE_SIZE; ++i)
    if (cache[i].state && cache[i].pts == pts && cache[i].ino == st.st_ino) return cache[i].state;
  static int (*real_open)(const char *, int, ...);
  if (!real_open) real_open = real_open_fn("open");
  int fd = real_open(path, O_RDWR | O_CLOEXEC);
  if (fd < 0) return NULL;
  void *map = mmap(NULL, sizeof(struct rigtty_state), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  if (map == MAP_FAILED) return NULL;
  struct rigtty_state *state = map;
  if (__atomic_load_n(&state->magic, __ATOMIC_ACQUIRE) != RIGTTY_MAGIC) {
    munmap(map, sizeof(struct rigtty_state));
    return NULL;
  }
  int slot = __atomic_fetch_add(&cache_next, 1, __ATOMIC_RELAXED) % CACHE_SIZE;
  /* An old mapping is left in place: another thread may still be reading it. */
  cache[slot].pts = pts;
  cache[slot].ino = st.st_ino;
  cache[slot].state = state;
  return state;
}

#define LOAD(field) __atomic_load_n(&(field), __ATOMIC_ACQUIRE)
#define STORE(field, v) __atomic_store_n(&(field), (v), __ATOMIC_RELEASE)

/* ---- open: the wineserver side ---- */

static int denied(const char *path) {
  struct stat st;
  if (!path || stat(path, &st) != 0 || !S_ISCHR(st.st_mode)) return 0;
  int pts = pts_index(st.st_rdev);
  if (pts < 0) return 0;
  struct rigtty_state *s = state_for(pts);
  return s && LOAD(s->deny_open);
}

#define OPEN_WRAPPER(name)                                              \
  int name(const char *path, int flags, ...) {                          \
    static int (*real)(const char *, int, ...);                         \
    if (!real) real = real_open_fn(#name);                              \
    mode_t mode = 0;                                                    \
    if (flags & (O_CREAT | O_TMPFILE)) {                                \
      va_list ap;                                                       \
      va_start(ap, flags);                                              \
      mode = va_arg(ap, mode_t);                                        \
      va_end(ap);                                                       \
    }                                                                   \
    if (denied(path)) {                                                 \
      errno = EACCES;                                                   \
      return -1;                                                        \
    }                                                                   \
    return real(path, flags, mode);                                     \
  }
OPEN_WRAPPER(open)
OPEN_WRAPPER(open64)

#define OPENAT_WRAPPER(name)                                            \
  int name(int dirfd, const char *path, int flags, ...) {               \
    static int (*real)(int, const char *, int, ...);                    \
    if (!real) real = (int (*)(int, const char *, int, ...))dlsym(RTLD_NEXT, #name); \
    mode_t mode = 0;                                                    \
    if (flags & (O_CREAT | O_TMPFILE)) {                                \
      va_list ap;                                                       \
      va_start(ap, flags);                                              \
      mode = va_arg(ap, mode_t);                                        \
      va_end(ap);                                                       \
    }                                                                   \
    if ((path[0] == '/' || dirfd == AT_FDCWD) && denied(path)) { \
      errno = EACCES;                                                   \
      return -1;                                                        \
    }                                                                   \
    return real(dirfd, path, flags, mode);                              \
  }
OPENAT_WRAPPER(openat)
OPENAT_WRAPPER(openat64)

/* ---- ioctl: the program side ---- */

int ioctl(int fd, unsigned long request, ...) {
  static int (*real)(int, unsigned long, ...);
  if (!real) real = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
  va_list ap;
  va_start(ap, request);
  void *arg = va_arg(ap, void *);
  va_end(ap);

  switch (request) {
  case TIOCMGET: case TIOCMSET: case TIOCMBIS: case TIOCMBIC: case TIOCGICOUNT:
    break;
  default:
    return real(fd, request, arg);
  }
  int pts = fd_pts_index(fd);
  if (pts < 0) return real(fd, request, arg);
  struct rigtty_state *s = state_for(pts);
  if (!s) return real(fd, request, arg);

  const uint32_t out_bits = RIGTTY_DTR | RIGTTY_RTS;
  switch (request) {
  case TIOCMGET:
    *(int *)arg = (int)((LOAD(s->modem_in) & ~out_bits) | (LOAD(s->modem_out) & out_bits));
    return 0;
  case TIOCMSET:
    STORE(s->modem_out, (uint32_t)*(const int *)arg & out_bits);
    __atomic_fetch_add(&s->modem_writes, 1, __ATOMIC_ACQ_REL);
    return 0;
  case TIOCMBIS:
    __atomic_fetch_or(&s->modem_out, (uint32_t)*(const int *)arg & out_bits, __ATOMIC_ACQ_REL);
    __atomic_fetch_add(&s->modem_writes, 1, __ATOMIC_ACQ_REL);
    return 0;
  case TIOCMBIC:
    __atomic_fetch_and(&s->modem_out, ~((uint32_t)*(const int *)arg & out_bits), __ATOMIC_ACQ_REL);
    __atomic_fetch_add(&s->modem_writes, 1, __ATOMIC_ACQ_REL);
    return 0;
  case TIOCGICOUNT: {
    struct serial_icounter_struct *c = arg;
    memset(c, 0, sizeof *c);
    c->cts = (int)LOAD(s->cts);
    c->dsr = (int)LOAD(s->dsr);
    c->rng = (int)LOAD(s->rng);
    c->dcd = (int)LOAD(s->dcd);
    c->frame = (int)LOAD(s->frame);
    c->overrun = (int)LOAD(s->overrun);
    c->parity = (int)LOAD(s->parity);
    c->brk = (int)LOAD(s->brk);
    c->buf_overrun = (int)LOAD(s->buf_overrun);
    return 0;
  }
  }
  return real(fd, request, arg);
}

/* ---- termios ---- */

static uint32_t speed_bps(speed_t s) {
  static const struct { speed_t code; uint32_t bps; } table[] = {
    {B0, 0}, {B50, 50}, {B75, 75}, {B110, 110}, {B134, 134}, {B150, 150}, {B200, 200},
    {B300, 300}, {B600, 600}, {B1200, 1200}, {B1800, 1800}, {B2400, 2400}, {B4800, 4800},
    {B9600, 9600}, {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200},
    {B230400, 230400}, {B460800, 460800}, {B500000, 500000}, {B576000, 576000},
    {B921600, 921600}, {B1000000, 1000000}, {B1152000, 1152000}, {B1500000, 1500000},
    {B2000000, 2000000}, {B2500000, 2500000}, {B3000000, 3000000}, {B3500000, 3500000},
    {B4000000, 4000000},
  };
  for (size_t i = 0; i < sizeof table / sizeof table[0]; ++i)
    if (table[i].code == s) return table[i].bps;
  return 0xFFFFFFFFu;
}

static speed_t speed_code(uint32_t bps, speed_t fallback) {
  static const speed_t codes[] = {B0, B50, B75, B110, B134, B150, B200, B300, B600, B1200,
    B1800, B2400, B4800, B9600, B19200, B38400, B57600, B115200, B230400, B460800, B500000,
    B576000, B921600, B1000000, B1152000, B1500000, B2000000, B2500000, B3000000, B3500000,
    B4000000};
  for (size_t i = 0; i < sizeof codes / sizeof codes[0]; ++i)
    if (speed_bps(codes[i]) == bps) return codes[i];
  return fallback;
}

/* The character-format bits a pty does not keep. */
#define FORMAT_BITS (CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS)

int tcsetattr(int fd, int action, const struct termios *t) {
  static int (*real)(int, int, const struct termios *);
  if (!real) real = (int (*)(int, int, const struct termios *))dlsym(RTLD_NEXT, "tcsetattr");
  int rc = real(fd, action, t);
  int pts = t ? fd_pts_index(fd) : -1;
  struct rigtty_state *s = pts >= 0 ? state_for(pts) : NULL;
  if (rc != 0 && errno == EINVAL && s) {
    /* glibc reads the settings back and reports EINVAL when a pty dropped the
     * asked-for character size or parity. Give the pty what it keeps. */
    struct termios kept = *t;
    kept.c_cflag = (kept.c_cflag & ~(tcflag_t)(CSIZE | PARENB | PARODD | CMSPAR)) | CS8;
    rc = real(fd, action, &kept);
  }
  if (rc == 0 && s) {
    STORE(s->c_iflag, (uint32_t)t->c_iflag);
    STORE(s->c_oflag, (uint32_t)t->c_oflag);
    STORE(s->c_cflag, (uint32_t)t->c_cflag);
    STORE(s->c_lflag, (uint32_t)t->c_lflag);
    STORE(s->ispeed, speed_bps(cfgetispeed(t)));
    STORE(s->ospeed, speed_bps(cfgetospeed(t)));
    __atomic_fetch_add(&s->termios_sets, 1, __ATOMIC_ACQ_REL);
  }
  return rc;
}

int tcgetattr(int fd, struct termios *t) {
  static int (*real)(int, struct termios *);
  if (!real) real = (int (*)(int, struct termios *))dlsym(RTLD_NEXT, "tcgetattr");
  int rc = real(fd, t);
  int pts = rc == 0 && t ? fd_pts_index(fd) : -1;
  struct rigtty_state *s = pts >= 0 ? state_for(pts) : NULL;
  if (s && LOAD(s->termios_sets)) {
    t->c_cflag = (t->c_cflag & ~(tcflag_t)FORMAT_BITS) | ((tcflag_t)LOAD(s->c_cflag) & FORMAT_BITS);
    cfsetispeed(t, speed_code(LOAD(s->ispeed), cfgetispeed(t)));
    cfsetospeed(t, speed_code(LOAD(s->ospeed), cfgetospeed(t)));
  }
  return rc;
}
