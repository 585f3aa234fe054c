/* The line state shared between a test and the rig's tty library (librigtty.so).
 *
 * One small file per pty, named after the pty: /dev/pts/N -> $RIGTTY_DIR/pts-N
 * (RIGTTY_DIR defaults to /tmp/quillon-rigtty). pts numbers are unique on the
 * machine while the pty exists, so parallel sessions never share a file. The
 * test writes the modem inputs, error counters and the open-denial flag; the
 * library, loaded into Wine's processes, answers the modem ioctls from them and
 * records what the program set (DTR, RTS, the termios it asked for).
 * Every field is a 32-bit word read and written with atomic operations.
 * Plain C so that Windows-side tests can include it too. */
#ifndef QUILLON_RIGTTY_H
#define QUILLON_RIGTTY_H

#include <stdint.h>

#define RIGTTY_MAGIC 0x52475459u /* "RGTY" */
#define RIGTTY_DEFAULT_DIR "/tmp/quillon-rigtty"

/* Modem bits, the values of Linux's TIOCM_* so that they pass through unchanged. */
#define RIGTTY_DTR 0x002u
#define RIGTTY_RTS 0x004u
#define RIGTTY_CTS 0x020u
#define RIGTTY_DCD 0x040u /* RLSD */
#define RIGTTY_RNG 0x080u
#define RIGTTY_DSR 0x100u

struct rigtty_state {
  uint32_t magic;
  uint32_t modem_in;     /* CTS, DSR, RNG, DCD as the test sets them */
  uint32_t modem_out;    /* DTR, RTS as the program last set them */
  uint32_t modem_writes; /* number of TIOCMSET/TIOCMBIS/TIOCMBIC calls seen */
  /* Counters reported by TIOCGICOUNT; the test bumps them to inject events. */
  uint32_t cts, dsr, rng, dcd;
  uint32_t frame, overrun, parity, brk, buf_overrun;
  uint32_t deny_open;    /* non-zero: open() of this pty fails with EACCES */
  /* The last termios the program asked for through tcsetattr. */
  uint32_t termios_sets; /* 0: never set */
  uint32_t c_iflag, c_oflag, c_cflag, c_lflag;
  uint32_t ispeed, ospeed; /* baud rates in bits per second */
  uint32_t reserved[8];
};

#endif
