#include "portio/board_identity.h"

namespace lineio {

const BoardIdentity ThisBoard{0x1172, 0x1998, "Merlin"};

}  // namespace lineio
