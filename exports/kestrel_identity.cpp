#include "portio/board_identity.h"

namespace lineio {

const BoardIdentity ThisBoard{0x136C, 0xA036, "Kestrel"};

}  // namespace lineio
