#include "board/board_state.h"

namespace lineio {

BoardState BoardLayer;

}  // namespace lineio
