// Letting go of an open file while other threads may still hold its
// descriptor's number. Closing would free the number, and the next open of
// any thread (the host's own files included) could get it: a call that
// another thread was just making with the old number would then read,
// write or control that new file. Retiring replaces the file behind the
// number with a descriptor of nothing instead, so that such a call fails
// with EBADF, and keeps the number taken until it is closed, when nobody
// uses it any more.
#pragma once

namespace lineio::platform::linuxpci {

// Drops this process's hold on the file open at `fd` (the file is released
// once calls already in progress on it return), leaving `fd` open on
// nothing. Closes `fd` outright when no such descriptor can be made (the
// process has no descriptor left): the file is let go either way. Returns
// whether `fd` is still taken, and must be closed later.
bool RetireDescriptor(int fd);

}  // namespace lineio::platform::linuxpci
