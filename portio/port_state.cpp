#include "portio/port_state.h"

namespace lineio {

PortState PortLayer;

}  // namespace lineio
